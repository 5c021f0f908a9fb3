#pragma once
// A fresh database on the local Firebird server for one test program, made
// from db/schema.sql and dropped when the object goes. It is driven through
// isql, not through the layers under test, so a fault there cannot hide in
// the fixture. Server, user and password come from the environment that
// scripts/test sets (VELTOR_TEST_HOST, VELTOR_TEST_USER, VELTOR_TEST_PASSWORD,
// VELTOR_TEST_DATA_DIR), with the local defaults.

#include <QString>
#include <QStringList>

namespace veltor::test {

enum class TestData {
    SchemaOnly, // the tables and generators, no rows
    Fixture,    // a small known set of rows (tests/support/fixture.sql)
    Demo,       // the demo university with 100,000 results
};

QString TestHost();
QString TestUser();
QString TestPassword();
QString SourceDir();

class TestDatabase {
public:
    explicit TestDatabase(TestData data = TestData::SchemaOnly);
    // On another server: host as a connection string starts with it
    // ("127.0.0.1/3061"), dataDir as that server sees its data folder.
    TestDatabase(TestData data, const QString& host, const QString& dataDir);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // The database file as the server sees it.
    const QString& FilePath() const { return path_; }
    // host:path, what a connection's DBName takes.
    QString ConnectionString() const;

    // Runs statements through isql against this database and returns its
    // output; a failing statement fails the call with isql's message.
    QString Isql(const QString& sql) const;
    // A single integer from a select, e.g. "select count(*) from student".
    long long QueryInt(const QString& select) const;

    // Drops the database now; the destructor then does nothing.
    void Drop();

private:
    void Create(TestData data, const QString& dataDir);

    QString host_;
    QString path_;
    bool dropped_ = false;
};

// The one database of a test program, shared by all its cases: made at the
// first call, with setup (statements for isql, e.g. tables of the program's
// own) run once, and dropped when the program ends, after everything the
// cases left behind. Every call in a program asks for the same data and setup.
TestDatabase& ProgramDatabase(TestData data = TestData::SchemaOnly,
                              const QString& setup = QString());

// Runs isql with the given input on a connection string; returns exit code,
// fills output with stdout and stderr.
int RunIsql(const QString& database, const QString& input, QString* output);

} // namespace veltor::test
