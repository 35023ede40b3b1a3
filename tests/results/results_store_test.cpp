// The results database: its schema and migrations, a run's rows from start
// to end, attempts per drive and station, crashed runs, and runs filled in
// from the journals.
#include "results/results_store.h"

#include "results/results_settings.h"
#include "results/run_journal.h"
#include "results/sqlite_db.h"
#include "run_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <map>
#include <string>

namespace varnet {
namespace {

using test::FinishedRun;
using test::TempDir;

// Reads the database as another program would.
struct Peek {
    explicit Peek(const std::filesystem::path& file) { EXPECT_TRUE(db.Open(file, false, 1000).ok()); }
    int64_t Int(const std::string& sql) {
        int64_t value = -1;
        const Status status = QueryInt(db, sql.c_str(), value);
        EXPECT_TRUE(status.ok()) << sql << ": " << status.message();
        return value;
    }
    std::string Text(const std::string& sql) {
        SqliteStatement statement;
        Status status = statement.Prepare(db, sql);
        EXPECT_TRUE(status.ok()) << status.message();
        return statement.Step(status) ? std::string(statement.Text(0)) : std::string("<none>");
    }
    // run_id -> column
    std::map<std::string, std::string> Column(const std::string& column) {
        std::map<std::string, std::string> values;
        SqliteStatement statement;
        Status status = statement.Prepare(db, "SELECT run_id, " + column + " FROM port_run");
        while (statement.Step(status))
            values[std::string(statement.Text(0))] = std::string(statement.Text(1));
        return values;
    }
    SqliteDb db;
};

class ResultsStoreTest : public ::testing::Test {
protected:
    void Open() {
        Status status;
        ASSERT_EQ(store.Open(file, 1000, status), SchemaOutcome::kReady) << status.message();
        ASSERT_TRUE(store.BeginSession({"host", "0.1.0", "04_MP.ini"}, test::At(0)).ok());
    }
    TempDir dir;
    std::filesystem::path file = ResultsDatabasePath(dir.path());
    ResultsStore store;
};

TEST_F(ResultsStoreTest, ANewDatabaseRunsInWalModeWithFullSyncAtTheProgramsSchemaVersion) {
    Open();
    Peek peek(file);
    EXPECT_EQ(peek.Int("PRAGMA user_version"), kResultsSchemaVersion);
    EXPECT_EQ(peek.Text("PRAGMA journal_mode"), "wal");
    // A run reported stored survives a power cut: the store's own connection
    // syncs every commit (the setting is the connection's, not the file's).
    SqliteStatement synchronous;
    Status status = synchronous.Prepare(store.Db(), "PRAGMA synchronous");
    ASSERT_TRUE(status.ok() && synchronous.Step(status)) << status.message();
    EXPECT_EQ(synchronous.Int(0), 2) << "FULL";
    EXPECT_EQ(peek.Int("SELECT count(*) FROM session"), 1);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".v0.bak")) << "a fresh file needs no backup";
}

TEST_F(ResultsStoreTest, ARunIsRunningWhenItStartsAndDoneWithItsRecordWhenItEnds) {
    Open();
    PortRunRecord started;
    started.runId = "r1";
    started.station = "04_MP";
    started.port = 5;
    started.startedAt = test::At(0);
    ASSERT_TRUE(store.RecordStarted(started).ok());
    Peek peek(file);
    EXPECT_EQ(peek.Text("SELECT state FROM port_run WHERE run_id = 'r1'"), "RUNNING");

    PortRunRecord finished = test::FullRecord();
    finished.runId = "r1";
    ASSERT_TRUE(store.RecordFinished(finished).ok());
    EXPECT_EQ(peek.Text("SELECT state || ' ' || attempt || ' ' || verdict || ' ' || ended_at FROM port_run"),
              "DONE 1 Fail 2026-12-10T16:58:04.456Z");
    EXPECT_EQ(peek.Text("SELECT text FROM port_run"), finished.text);
    EXPECT_EQ(peek.Int("SELECT count(*) FROM port_run WHERE synced_at IS NULL AND session_id = 1"), 1);

    ASSERT_TRUE(store.RecordFinished(finished).ok()) << "a second finish changes nothing";
    EXPECT_EQ(peek.Int("SELECT count(*) FROM port_run"), 1);
}

TEST_F(ResultsStoreTest, AttemptsCountEachDrivesFinishedRunsAtEachStation) {
    Open();
    PortRunRecord bySerialOfDrive = FinishedRun("d1", "04_MP", "", "Fail", 5);
    bySerialOfDrive.driveSerial = "DS9";
    for (const PortRunRecord& record :
         {FinishedRun("a1", "04_MP", "SN1", "Fail", 0), FinishedRun("a2", "04_MP", "SN1", "Pass", 10),
          FinishedRun("b1", "04_MP", "SN2", "Pass", 1), FinishedRun("c1", "06_ICT", "SN1", "Pass", 20),
          bySerialOfDrive, FinishedRun("n1", "04_MP", "", "Fail", 2),
          FinishedRun("n2", "04_MP", "", "Fail", 3)})
        ASSERT_TRUE(store.RecordFinished(record).ok());
    // A run that reaches the database late (from a journal) moves the later
    // attempts of its drive on.
    ASSERT_TRUE(store.RecordFinished(FinishedRun("a0", "04_MP", "SN1", "Fail", -30)).ok());

    const auto attempts = Peek(file).Column("attempt");
    const std::map<std::string, std::string> expected = {{"a0", "1"}, {"a1", "2"}, {"a2", "3"}, {"b1", "1"},
                                                         {"c1", "1"}, {"d1", "1"}, {"n1", "1"}, {"n2", "1"}};
    EXPECT_EQ(attempts, expected);
    EXPECT_EQ(Peek(file).Column("drive_key")["d1"], "DS9");
}

TEST_F(ResultsStoreTest, RunsACrashLeftRunningBecomeInterruptedAtTheNextStart) {
    Open();
    PortRunRecord record = FinishedRun("r1", "04_MP", "SN1", "Pass", 0);
    ASSERT_TRUE(store.RecordStarted(record).ok());
    store.Close();

    ResultsStore next;
    Status status;
    ASSERT_EQ(next.Open(file, 1000, status), SchemaOutcome::kReady);
    ASSERT_TRUE(next.BeginSession({"host", "0.1.0", ""}, test::At(60)).ok());
    ASSERT_TRUE(next.RecordStarted(FinishedRun("r2", "04_MP", "SN2", "Pass", 61)).ok());
    int64_t marked = 0;
    ASSERT_TRUE(next.MarkInterrupted(marked).ok());
    EXPECT_EQ(marked, 1);
    const auto states = Peek(file).Column("state");
    EXPECT_EQ(states.at("r1"), "INTERRUPTED");
    EXPECT_EQ(states.at("r2"), "RUNNING") << "this session's runs are left alone";
}

TEST_F(ResultsStoreTest, FillsInFinishedRunsFromTheJournalsReadingOnlyWhatIsNew) {
    Open();
    ASSERT_TRUE(store.RecordStarted(FinishedRun("r1", "04_MP", "SN1", "Pass", 0)).ok());
    std::string day = "20261210";
    RunJournal journal(dir.path(), [&] { return day; });
    journal.RunFinished(FinishedRun("r1", "04_MP", "SN1", "Pass", 0));
    journal.RunFinished(FinishedRun("r2", "04_MP", "SN2", "Fail", 1));
    day = "20261211";
    journal.RunFinished(FinishedRun("r3", "04_MP", "SN3", "Pass", 2));

    FillInResult result;
    ASSERT_TRUE(store.FillInFromJournals(dir.path(), result).ok());
    EXPECT_EQ(result.filledIn, 3);
    EXPECT_EQ(result.filesRead, 2);
    Peek peek(file);
    EXPECT_EQ(peek.Int("SELECT count(*) FROM port_run WHERE state = 'DONE' AND session_id IS NULL"), 2);
    EXPECT_EQ(peek.Int("SELECT count(*) FROM port_run WHERE state = 'DONE'"), 3);

    ASSERT_TRUE(store.FillInFromJournals(dir.path(), result).ok());
    EXPECT_EQ(result.filesRead, 0) << "nothing was appended";

    journal.RunFinished(FinishedRun("r4", "04_MP", "SN4", "Pass", 3));
    ASSERT_TRUE(store.FillInFromJournals(dir.path(), result).ok());
    EXPECT_EQ(result.filesRead, 1);
    EXPECT_EQ(result.filledIn, 1);
}

TEST_F(ResultsStoreTest, AnOlderDatabaseIsBackedUpAndMigratedInOneStepKeepingItsRuns) {
    {
        SqliteDb db;
        ASSERT_TRUE(
            db.Open((std::filesystem::create_directories(file.parent_path()), file), false, 1000).ok());
        Status status;
        ASSERT_EQ(MigrateResultsDatabase(db, file, ResultsMigrations().first(1), status),
                  SchemaOutcome::kReady);
        ASSERT_TRUE(db.Exec("INSERT INTO port_run (run_id, station, port, started_at, state) "
                            "VALUES ('old', '04_MP', 1, '2026-01-01T00:00:00.000Z', 'DONE')")
                        .ok());
    }
    Open();
    Peek peek(file);
    EXPECT_EQ(peek.Int("PRAGMA user_version"), kResultsSchemaVersion);
    EXPECT_EQ(peek.Int("SELECT count(*) FROM port_run WHERE run_id = 'old'"), 1);
    EXPECT_EQ(peek.Int("SELECT count(*) FROM journal_file"), 0);

    Peek backup(file.string() + ".v1.bak");
    EXPECT_EQ(backup.Int("PRAGMA user_version"), 1);
    EXPECT_EQ(backup.Int("SELECT count(*) FROM port_run"), 1);
}

TEST_F(ResultsStoreTest, AFailedMigrationLeavesTheDatabaseAsItWas) {
    SqliteDb db;
    std::filesystem::create_directories(file.parent_path());
    ASSERT_TRUE(db.Open(file, false, 1000).ok());
    Status status;
    ASSERT_EQ(MigrateResultsDatabase(db, file, ResultsMigrations().first(1), status), SchemaOutcome::kReady);
    const SchemaMigration broken[] = {ResultsMigrations()[0],
                                      {2, "CREATE TABLE half_done (x INTEGER); CREATE TABLE broken ("},
                                      {3, "CREATE TABLE never (x INTEGER)"}};
    EXPECT_EQ(MigrateResultsDatabase(db, file, broken, status), SchemaOutcome::kFailed);
    EXPECT_NE(status.message().find("schema version 2"), std::string::npos) << status.message();
    int64_t version = 0;
    ASSERT_TRUE(QueryInt(db, "PRAGMA user_version", version).ok());
    EXPECT_EQ(version, 1);
    int64_t tables = 0;
    ASSERT_TRUE(QueryInt(db, "SELECT count(*) FROM sqlite_master WHERE name = 'half_done'", tables).ok());
    EXPECT_EQ(tables, 0);
    EXPECT_TRUE(std::filesystem::exists(file.string() + ".v1.bak"));
}

TEST_F(ResultsStoreTest, ADatabaseOfANewerProgramIsRefusedAndLeftAlone) {
    {
        SqliteDb db;
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(db.Open(file, false, 1000).ok());
        ASSERT_TRUE(db.Exec("CREATE TABLE future (x); PRAGMA user_version = 99").ok());
    }
    const auto before = test::ReadText(file);
    Status status;
    EXPECT_EQ(store.Open(file, 1000, status), SchemaOutcome::kNewer);
    EXPECT_NE(status.message().find("newer"), std::string::npos) << status.message();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(test::ReadText(file), before);
    EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
}

} // namespace
} // namespace varnet

namespace varnet {
namespace {

TEST(ResultsSettings, TheLineServerIsNamedInTheToolSettingsOrNowhere) {
    test::TempDir dir;
    EXPECT_EQ(LineServerSetting(dir.path()), "") << "no settings file: this station only";
    std::filesystem::create_directories(dir / "Config");
    test::WriteText(dir / "Config/VarnetTool.ini", "[Results]\r\nOther=1\r\n");
    EXPECT_EQ(LineServerSetting(dir.path()), "");
    test::WriteText(dir / "Config/VarnetTool.ini",
                    "[results]\r\n LineServer = postgresql://line@db.local:5432/line \r\n");
    EXPECT_EQ(LineServerSetting(dir.path()), "postgresql://line@db.local:5432/line");
}

} // namespace
} // namespace varnet
