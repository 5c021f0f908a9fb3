#include "model/StudentsModel.h"

TStudentsModel::TStudentsModel(TComponent& owner, const TModelConnection& connection) {
    faculty_dataset = MakeDataSet(owner, "faculty_dataset", connection, FacultyStatements());
    SetAutoUpdate(*faculty_dataset, "FAKULTET", "F_ID", "GEN_FAKULTET_ID");
    faculty_DataSource = MakeDataSource(owner, "faculty_DataSource", faculty_dataset, true);
    faculty_datasetF_ID =
        MakeIntegerField(owner, "faculty_datasetF_ID", faculty_dataset, "F_ID", "", 6);
    faculty_datasetF_ID->SetReadOnly(true);
    faculty_dataset_NAME =
        MakeStringField(owner, "faculty_dataset_NAME", faculty_dataset, "NAZVA", "_NAME_", 69, 255);
    faculty_dataset_SHORT_NAME = MakeStringField(owner, "faculty_dataset_SHORT_NAME",
                                                 faculty_dataset, "KNAZVA", "_SHORT_NAME_", 18, 50);

    student_dataset = MakeDataSet(owner, "student_dataset", connection, StudentStatements());
    SetAutoUpdate(*student_dataset, "STUDENT", "S_ID", "GEN_STUDENT_ID");
    student_dataset->SetDataSource(faculty_DataSource);
    student_datasource = MakeDataSource(owner, "student_datasource", student_dataset, true);
    student_datasetS_ID =
        MakeIntegerField(owner, "student_datasetS_ID", student_dataset, "S_ID", "", 5);
    student_datasetS_ID->SetReadOnly(true);
    student_dataset_LAST_NAME_ = MakeStringField(
        owner, "student_dataset_LAST_NAME_", student_dataset, "FAMILIYA", "_LAST_NAME_", 28, 50);
    student_dataset_FIRST_NAME_ = MakeStringField(owner, "student_dataset_FIRST_NAME_",
                                                  student_dataset, "IMYA", "_FIRST_NAME_", 16, 50);
    student_dataset_FATHER_NAME_ =
        MakeStringField(owner, "student_dataset_FATHER_NAME_", student_dataset, "OTCHESTVO",
                        "_FATHER_NAME_", 19, 50);
    student_datasetF_ID =
        MakeIntegerField(owner, "student_datasetF_ID", student_dataset, "F_ID", "", 12);
    student_datasetF_ID->SetReadOnly(true);
    student_datasetF_ID->SetVisible(false);
    student_dataset_COURSE_ =
        MakeIntegerField(owner, "student_dataset_COURSE_", student_dataset, "KURS", "_COURSE_", 11);
    student_dataset_GROUP_ = MakeStringField(owner, "student_dataset_GROUP_", student_dataset,
                                             "GRUPA", "_GROUP_", 0, 10);
}
