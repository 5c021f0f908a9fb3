#include "model/ResultsModel.h"

TResultsModel::TResultsModel(TComponent& owner, const TModelConnection& connection,
                             TDataSource* discipline_datasource) {
    resultat_dataset = MakeDataSet(owner, "resultat_dataset", connection, ResultatStatements());
    // As designed; no DFK_ID field exists here, so nothing is ever drawn.
    SetAutoUpdate(*resultat_dataset, "D_F_K", "DFK_ID", "GEN_D_F_K_ID");
    resultat_dataset->SetDataSource(discipline_datasource);
    resultat_datasource = MakeDataSource(owner, "resultat_datasource", resultat_dataset, false);
    resultat_dataset_NAME = MakeStringField(owner, "resultat_dataset_NAME", resultat_dataset,
                                            "NAZVA", "_FAKULTY_", 30, 255);
    resultat_dataset_COURSE =
        MakeIntegerField(owner, "resultat_dataset_COURSE", resultat_dataset, "KURS", "_COURSE_", 5);
    resultat_dataset_GROUP = MakeStringField(owner, "resultat_dataset_GROUP", resultat_dataset,
                                             "GRUPA", "_GROUP_", 0, 10);
    resultat_dataset_LAST_NAME = MakeStringField(
        owner, "resultat_dataset_LAST_NAME", resultat_dataset, "FAMILIYA", "_LAST_NAME_", 20, 50);
    resultat_dataset_FIRST_NAME = MakeStringField(owner, "resultat_dataset_FIRST_NAME",
                                                  resultat_dataset, "IMYA", "_FIRST_NAME_", 20, 50);
    resultat_dataset_FATHER_NAME =
        MakeStringField(owner, "resultat_dataset_FATHER_NAME", resultat_dataset, "OTCHESTVO",
                        "_FATHER_NAME_", 20, 50);
    resultat_dataset_RESULTAT = MakeFloatField(owner, "resultat_dataset_RESULTAT", resultat_dataset,
                                               "OCINKA", "_RESULT_", 10);
    resultat_dataset_TIME = MakeDateTimeField(owner, "resultat_dataset_TIME", resultat_dataset,
                                              "VREMA", "_TIME_", 0, "dd.mm.yyyy hh:mm AMPM");
}
