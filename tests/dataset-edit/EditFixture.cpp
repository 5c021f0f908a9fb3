#include "EditFixture.h"

namespace veltor::test {

TestDatabase& EditTestDatabase() {
    return ProgramDatabase(
        TestData::Fixture,
        QStringLiteral(
            "CREATE DOMAIN D_NOTE AS VARCHAR(20) DEFAULT 'domain''s';\n"
            "CREATE TABLE DEFAULTS (ID INTEGER NOT NULL PRIMARY KEY,\n"
            "  S VARCHAR(20) DEFAULT 'abc', E VARCHAR(10) DEFAULT '' NOT NULL,\n"
            "  N INTEGER DEFAULT 5, F DOUBLE PRECISION DEFAULT 1.5,\n"
            "  TS TIMESTAMP DEFAULT CURRENT_TIMESTAMP, DN D_NOTE, DOWN D_NOTE DEFAULT 'own',\n"
            "  NL VARCHAR(5) DEFAULT NULL, B BLOB SUB_TYPE TEXT, PLAIN INTEGER,\n"
            "  C COMPUTED BY (N * 2));\n"
            "COMMIT;\n"
            "CREATE VIEW FAKULTET_NAMES AS SELECT F_ID, NAZVA FROM FAKULTET;\n"
            "SET TERM ^ ;\n"
            "CREATE PROCEDURE TWICE (X INTEGER) RETURNS (Y INTEGER, LABEL VARCHAR(10)) AS "
            "BEGIN Y = X * 2; LABEL = 'x'; SUSPEND; END^\n"
            "SET TERM ; ^\nCOMMIT;\n"));
}

} // namespace veltor::test
