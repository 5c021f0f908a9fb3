// The fixtures every database test stands on: a fresh database from the
// schema with the demo university, and a temporary program folder.

#include "tests/support/TestDatabase.h"
#include "tests/support/TempProgramFolder.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace veltor::test;

TEST(TestDatabase, DemoDatabaseHasSchemaAndCountsAndIsDroppedAtTheEnd) {
    QString connection;
    {
        TestDatabase db(TestData::Demo);
        connection = db.ConnectionString();

        for (const char* table : {"FAKULTET", "STUDENT", "DISCIPLINA", "TEST", "D_F_K", "RESULTAT"})
            EXPECT_EQ(db.QueryInt(QStringLiteral("select count(*) from rdb$relations where "
                                                 "rdb$relation_name = '%1'")
                                      .arg(table)),
                      1)
                << table;
        for (const char* gen :
             {"GEN_FAKULTET_ID", "GEN_STUDENT_ID", "GEN_DISCIPLINA_ID", "GEN_D_F_K_ID"})
            EXPECT_EQ(db.QueryInt(QStringLiteral("select count(*) from rdb$generators where "
                                                 "rdb$generator_name = '%1'")
                                      .arg(gen)),
                      1)
                << gen;
        EXPECT_EQ(db.QueryInt("select count(*) from rdb$database where "
                              "rdb$character_set_name = 'WIN1251'"),
                  1);

        struct Count {
            const char* table;
            long long rows;
        };
        for (const Count& c :
             {Count{"FAKULTET", 10}, Count{"STUDENT", 3000}, Count{"DISCIPLINA", 60},
              Count{"TEST", 200}, Count{"RESULTAT", 100000}})
            EXPECT_EQ(db.QueryInt(QStringLiteral("select count(*) from %1").arg(c.table)), c.rows)
                << c.table;
        EXPECT_GT(db.QueryInt("select count(*) from d_f_k"), 60);
        EXPECT_EQ(db.QueryInt("select count(distinct kurs) from student"), 6);
        EXPECT_EQ(db.QueryInt("select count(*) from student where kurs < 1 or kurs > 6"), 0);
        // The apostrophe survives the trip into WIN1251 and back.
        EXPECT_EQ(db.QueryInt("select count(*) from fakultet where nazva containing 'комп''ют'"),
                  1);
        // Results spread over two academic years.
        EXPECT_EQ(db.QueryInt("select count(*) from resultat where vrema < timestamp "
                              "'2024-09-01' or vrema > timestamp '2026-07-01'"),
                  0);
        EXPECT_GT(db.QueryInt("select count(*) from resultat where vrema < '2025-07-01'"), 40000);
        EXPECT_GT(db.QueryInt("select count(*) from resultat where vrema > '2025-09-01'"), 40000);
        // Generators continue after the demo keys.
        EXPECT_EQ(db.QueryInt("select gen_id(gen_student_id, 0) from rdb$database"), 3000);
    }
    QString out;
    EXPECT_NE(RunIsql(connection, QStringLiteral("select 1 from rdb$database;\n"), &out), 0)
        << "the database should be gone: " << out.toStdString();
}

TEST(TestDatabase, FixtureSetIsSmallAndKnown) {
    TestDatabase db(TestData::Fixture);
    EXPECT_EQ(db.QueryInt("select count(*) from fakultet"), 3);
    EXPECT_EQ(db.QueryInt("select count(*) from student where f_id = 1"), 3);
    EXPECT_EQ(db.QueryInt("select gen_id(gen_d_f_k_id, 0) from rdb$database"), 3);
}

TEST(TestDatabase, SchemaOnlyIsEmpty) {
    TestDatabase db(TestData::SchemaOnly);
    EXPECT_EQ(db.QueryInt("select count(*) from fakultet"), 0);
    EXPECT_EQ(db.QueryInt("select count(*) from resultat"), 0);
}

TEST(TempProgramFolder, EndsWithSeparatorAndIsRemoved) {
    QString path;
    {
        TempProgramFolder folder;
        path = folder.Path();
        EXPECT_TRUE(path.endsWith('/'));
        folder.WriteFile("Languages/English.olg", "[WORDS]\n");
        EXPECT_TRUE(folder.Exists("Languages/English.olg"));
        EXPECT_EQ(folder.ReadFile("Languages/English.olg"), QByteArray("[WORDS]\n"));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}
