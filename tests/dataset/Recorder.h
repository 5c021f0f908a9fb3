#pragma once
// A data link and data source that write every hook and event they receive
// into one log, to compare with the order the system promises.

#include "dataset/DB.h"

#include <QString>
#include <QStringList>

namespace veltor::test {

class RecordingLink : public TDataLink {
public:
    RecordingLink(QStringList* log, QString name, bool visual) : log_(log), name_(std::move(name)) {
        SetVisual(visual);
    }
    void LinkActiveChange() override { Log(QStringLiteral("ActiveChange")); }
    void LinkCheckBrowseMode() override { Log(QStringLiteral("CheckBrowseMode")); }
    void LinkDataSetChange() override { Log(QStringLiteral("DataSetChange")); }
    void LinkDataSetScroll(int distance) override {
        Log(QStringLiteral("DataSetScroll(%1)").arg(distance));
    }
    void LinkEditingChange() override { Log(QStringLiteral("EditingChange")); }
    void LinkLayoutChange() override { Log(QStringLiteral("LayoutChange")); }
    void LinkRecordChange(TField* field) override {
        Log(field ? QStringLiteral("RecordChange(%1)").arg(field->FieldName())
                  : QStringLiteral("RecordChange"));
    }
    void LinkUpdateData() override { Log(QStringLiteral("UpdateData")); }

private:
    void Log(const QString& what) {
        if (log_)
            log_->append(name_.isEmpty() ? what : name_ + u'.' + what);
    }
    QStringList* log_;
    QString name_;
};

// Logs the data source's own events as "src.StateChange", "src.DataChange".
inline void RecordSource(TDataSource& source, QStringList* log) {
    source.OnStateChange = [log](TDataSource&) { log->append(QStringLiteral("src.StateChange")); };
    source.OnDataChange = [log](TDataSource&, TField* field) {
        log->append(field ? QStringLiteral("src.DataChange(%1)").arg(field->FieldName())
                          : QStringLiteral("src.DataChange"));
    };
    source.OnUpdateData = [log](TDataSource&) { log->append(QStringLiteral("src.UpdateData")); };
}

} // namespace veltor::test
