#pragma once
// A whole import in a temporary folder: a host product (template and database list), the MP2 source
// path, the target names, the current directory for the working copy, and a fixed "today".
#include "common/Clock.h"
#include "run/RunState.h"
#include "run/ScriptedOperator.h"
#include "wizard/HostProduct.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class WholeImportFixture : public ::testing::Test {
protected:
    explicit WholeImportFixture(const QDateTime& today) : today_(today) {}

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"work", "list", "mp2", "Crew"})
            ASSERT_TRUE(QDir(dir.path()).mkdir(sub));
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.filePath("work"));
        CreateTemplate(dir.filePath("list/BlnkVtrx.vdb"));
        CreateDatabaseList(dir.filePath("list/VXDB97.mdb"));
        run.gVXDBListDir = dir.filePath("list");
        run.gVXDBListDb = dao::Database::OpenDatabase(dir.filePath("list/VXDB97.mdb"));
        run.txtSourceDB = dir.filePath("mp2/PLANT.mdb");
        run.txtTargetDir = dir.filePath("Crew/Plant1");
        run.txtFileName = "Plant1.mdb";
        run.txtDBName = "Plant 1";
        Clock::SetFixed(today_);
    }
    void TearDown() override
    {
        Clock::SetFixed({});
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb})
            if (*db && (*db)->isOpen())
                (*db)->Close();
        QDir::setCurrent(previousDir);
    }

    QTemporaryDir dir;
    QString previousDir;
    ScriptedOperator op;
    RunState run{op};

private:
    QDateTime today_;
};
