#include "ModelFixture.h"

namespace veltor::test {

TestDatabase& ModelTestDatabase() {
    return ProgramDatabase(TestData::Demo);
}

ModelFixture::ModelFixture() {
    form_.SetName(QStringLiteral("main_frm"));
    form_.BeginLoading();
    model_ = std::make_unique<TTestingModel>(form_);
    form_.EndLoading();
}

ModelFixture::~ModelFixture() {
    if (model_->Transaction->Active())
        model_->Transaction->Rollback();
    form_.DestroyComponents();
}

void ModelFixture::Connect() {
    TpFIBDatabase& db = *model_->DataBase;
    db.SetDBName(ModelTestDatabase().ConnectionString());
    db.SetDBParams(db.DBParams() + QStringList{QStringLiteral("user_name=") + TestUser(),
                                               QStringLiteral("password=") + TestPassword()});
    db.SetConnected(true);
}

} // namespace veltor::test
