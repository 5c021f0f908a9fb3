// A file replaced whole or not at all.

#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(AtomicFile, TheTargetChangesOnlyAtCommitAndNothingIsLeftOtherwise) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.csv");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    {
        TAtomicFile file;
        ASSERT_TRUE(file.Open(path, 0644));
        ASSERT_TRUE(file.Write(QByteArray("new, half")));
        EXPECT_EQ(ReadAll(path), "old");
        EXPECT_TRUE(QFile::exists(QString::fromLocal8Bit(file.TempPath())));
    } // dropped without a commit
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});

    TAtomicFile file;
    ASSERT_TRUE(file.Open(path, 0644));
    ASSERT_TRUE(file.Write(QByteArray("new")));
    ASSERT_TRUE(file.Write(QByteArray(", whole")));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadAll(path), "new, whole");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});

    TAtomicFile nowhere;
    EXPECT_FALSE(nowhere.Open(dir.filePath("no/such/folder.csv"), 0644));
}
