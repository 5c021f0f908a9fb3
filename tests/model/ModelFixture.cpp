#include "ModelFixture.h"

namespace veltor::test {

TestDatabase& ModelTestDatabase() {
    static TestDatabase db(TestData::Demo);
    return db;
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
    db.SetDBParams({QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("user_name=") + TestUser(),
                    QStringLiteral("password=") + TestPassword()});
    db.SetConnected(true);
}

} // namespace veltor::test
