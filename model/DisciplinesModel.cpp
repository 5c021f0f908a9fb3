#include "model/DisciplinesModel.h"

TDisciplinesModel::TDisciplinesModel(TComponent& owner, const TModelConnection& connection) {
    discipline_dataset =
        MakeDataSet(owner, "discipline_dataset", connection, DisciplineStatements());
    SetAutoUpdate(*discipline_dataset, "DISCIPLINA", "D_ID", "GEN_DISCIPLINA_ID");
    discipline_datasource =
        MakeDataSource(owner, "discipline_datasource", discipline_dataset, true);
    discipline_dataset_D_ID =
        MakeIntegerField(owner, "discipline_dataset_D_ID", discipline_dataset, "D_ID", "", 5);
    discipline_dataset_D_ID->SetReadOnly(true);
    discipline_dataset_NAME = MakeStringField(owner, "discipline_dataset_NAME", discipline_dataset,
                                              "NAZVA", "_NAME_", 70, 255);
    discipline_dataset_SHORT_NAME = MakeStringField(owner, "discipline_dataset_SHORT_NAME",
                                                    discipline_dataset, "KNAZVA", "", 18, 255);

    test_dataset = MakeDataSet(owner, "test_dataset", connection, TestStatements());
    // As designed: the link table's options. The dataset has no DFK_ID
    // field, so no generator value is ever drawn for a test.
    SetAutoUpdate(*test_dataset, "D_F_K", "DFK_ID", "GEN_D_F_K_ID");
    test_dataset->SetDataSource(discipline_datasource);
    test_datasource = MakeDataSource(owner, "test_datasource", test_dataset, false);
    test_datasetT_ID = MakeIntegerField(owner, "test_datasetT_ID", test_dataset, "T_ID", "", 6);
    test_dataset_NAME =
        MakeStringField(owner, "test_dataset_NAME", test_dataset, "NAZVA", "", 87, 255);
    test_dataset_FILENAME =
        MakeStringField(owner, "test_dataset_FILENAME", test_dataset, "TFILENAME", "", 0, 100);
}
