// The lab's journal on a real PostgreSQL server of the test's own: what stations send,
// what the server refuses, and what it tells a station that cannot reach it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "journal/journal.h"
#include "labserver/lab_connection.h"
#include "labserver/lab_objects.h"
#include "labserver/lab_records.h"
#include "labserver/lab_schema.h"
#include "labserver/station_sender.h"
#include "link/utf8_path.h"
#include "tests/support/postgres_cluster.h"

namespace tarvelo::labserver {
namespace {

namespace fs = std::filesystem;

constexpr char kStationPassword[] = "весы-1";

journal::JournalRecord resultOf(int mouse) {
  journal::JournalRecord record;
  record.utc = "2026-12-07T09:05:07.000Z";
  record.local = "2026-12-07 12:05:07";
  record.object = "Мышь " + std::to_string(mouse);
  record.mass = std::to_string(20 + mouse) + ",25";
  record.grams = 20.25 + mouse;
  record.animal = "9850000000001" + std::to_string(10 + mouse);
  return record;
}

class LabServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::privateConfigHome();
    cluster_ = new testing::PostgresCluster();
    ASSERT_EQ(cluster_->failure(), "");
    const auto admin = connect(cluster_->superuserConnection());
    ASSERT_TRUE(admin);
    ASSERT_EQ(initLabServer(*admin), std::nullopt);
    const testing::ProgramResult again =
        testing::runProgram({TARVELO_JOURNAL_TOOL, "server", "init", "--server", cluster_->superuserConnection()});
    ASSERT_EQ(again.status, 0) << "run again, it changes nothing: " << again.err;
  }
  static void TearDownTestSuite() {
    delete cluster_;
    fs::remove(passwordFile());
  }

  static std::unique_ptr<LabConnection> connect(const std::string& connection) {
    LabFailure failure;
    auto made = LabConnection::open(connection, failure);
    EXPECT_TRUE(made) << failure.text;
    return made;
  }
  // The connection of `station`'s own login, bound to it by the administrator's command; its
  // password is in the password file, as the tool takes none on its command line.
  static std::string stationConnection(const std::string& station) {
    static std::map<std::string, std::string> logins;  // station: login
    if (!logins.contains(station)) {
      const std::string login = "station_" + std::to_string(logins.size() + 1);
      const testing::ProgramResult added =
          testing::runProgram({TARVELO_JOURNAL_TOOL, "server", "add-station", station, "--login", login,
                               "--password-file", passwordFile(), "--server", cluster_->superuserConnection()});
      EXPECT_EQ(added.status, 0) << added.err;
      logins[station] = login;
      cluster_->keepPassword(login, kStationPassword);
    }
    return cluster_->connection(logins[station]);
  }
  static std::string passwordFile() {
    static const std::string path = [] {
      // Each test process its own: ctest runs this suite's tests side by side.
      const auto made = (fs::temp_directory_path() / "tarvelo-lab-password-").string() +
                        std::to_string(QCoreApplication::applicationPid());
      std::ofstream(made) << kStationPassword << "\n";
      return made;
    }();
    return path;
  }
  static std::unique_ptr<LabConnection> as(const std::string& station) { return connect(stationConnection(station)); }

  // A station's journal with `results` results in the test's folder.
  std::unique_ptr<journal::Journal> journalOf(const std::string& name, int results) {
    link::Failure error;
    auto made = journal::Journal::open(fs::u8path(dir_.filePath(QString::fromStdString(name)).toStdString()), error);
    EXPECT_TRUE(made) << error.message;
    for (int mouse = 1; mouse <= results; ++mouse) {
      journal::JournalRecord record = resultOf(mouse);
      record.person = name;  // no two stations' journals begin alike
      EXPECT_FALSE(made->append(record));
    }
    return made;
  }

  std::int64_t serverHeadOf(const std::string& station) {
    journal::Head head;
    EXPECT_EQ(stationHead(*connect(cluster_->superuserConnection()), station, head), std::nullopt);
    return head.record;
  }

  static testing::PostgresCluster* cluster_;
  QTemporaryDir dir_;
};

testing::PostgresCluster* LabServerTest::cluster_ = nullptr;

// Two stations send their journals: each record is on the server once, in its station's
// order, also when it is sent again; a station that sent everything sends nothing more.
TEST_F(LabServerTest, StationsSendEachRecordOnce) {
  const auto first = journalOf("a.sqlite", 450);  // more than two batches
  const auto second = journalOf("b.sqlite", 3);
  const auto connection = as("Комната 1");
  const auto other = as("Комната 2");
  const SendResult sent = sendPending(*connection, *first, "Комната 1");
  EXPECT_EQ(sent.failure.has_value(), false) << sent.failure->text;
  EXPECT_EQ(sent.sent, 450);
  EXPECT_EQ(sent.waiting, 0);
  EXPECT_EQ(sendPending(*other, *second, "Комната 2").sent, 3);
  EXPECT_EQ(sendPending(*connection, *first, "Комната 1").sent, 0);
  // An acknowledgement lost: the last batch comes again and is taken once.
  const std::vector<journal::JournalRecord> again = first->recordsAfter(447, 3);
  EXPECT_EQ(addRecords(*connection, "Комната 1", first->recordsAfter(446, 1)[0].hash, again), std::nullopt);
  std::vector<journal::JournalRecord> held;
  ASSERT_EQ(stationRecords(*connection, "Комната 1", 0, 1000, held), std::nullopt);
  ASSERT_EQ(held.size(), 450u);
  for (size_t i = 0; i < held.size(); ++i)
    ASSERT_EQ(journal::chainHash(i == 0 ? "" : held[i - 1].hash, held[i]), held[i].hash) << "record " << held[i].id;

  // The lab's export: every station's standing results, the station last; a removal sent
  // takes its result out, and a filter takes one station's animal.
  journal::JournalRecord removal;
  removal.kind = journal::kRemoval;
  removal.subject = 2;
  ASSERT_FALSE(second->append(removal));
  ASSERT_EQ(sendPending(*other, *second, "Комната 2").sent, 1);
  const auto exported = [](const std::vector<std::string>& options) {
    std::vector<std::string> command{TARVELO_JOURNAL_TOOL, "export", "--server", stationConnection("Комната 1"),
                                     "--c-locale"};
    command.insert(command.end(), options.begin(), options.end());
    const testing::ProgramResult result = testing::runProgram(command);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
  };
  const std::string all = exported({});
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 1 + 450 + 2);
  EXPECT_NE(all.find(",animal,cage,group,strain,genotype,study,ear_mark,age_days,station\r\n"), std::string::npos);
  const std::string one = exported({"--station", "Комната 2", "--animal", resultOf(3).animal});
  EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 2) << one;
  EXPECT_NE(one.find("\n3,2026-12-07T09:05:07.000Z,2026-12-07 12:05:07,b.sqlite,,Мышь 3,23.25"), std::string::npos)
      << one;
  EXPECT_NE(one.find(",Комната 2\r\n"), std::string::npos) << one;
}

// Two stations catching up at once on the same animals, in opposite orders, never deadlock.
TEST_F(LabServerTest, CatchUpsOnTheSameAnimalsNeverDeadlock) {
  for (int round = 0; round < 5; ++round) {
    std::vector<std::function<void()>> sends;  // both ready before either starts
    for (const int order : {1, -1}) {
      const std::string station = "Догонка " + std::to_string(round) + std::to_string(order);
      auto journal = std::shared_ptr(journalOf(station + ".sqlite", 0));
      for (int i = 0; i < 150; ++i) {
        journal::JournalRecord record = resultOf(order > 0 ? i + 1 : 150 - i);
        record.person = station;
        ASSERT_FALSE(journal->append(record));
      }
      sends.push_back([journal, station, connection = std::shared_ptr(as(station))] {
        const SendResult sent = sendPending(*connection, *journal, station);
        EXPECT_FALSE(sent.failure) << sent.failure->text;
      });
    }
    const auto other = std::async(std::launch::async, sends[1]);  // waited for as it goes
    sends[0]();
  }
}

// A journal cut by its last records, or rewritten with a chain made anew, is caught at the
// next send and named by the first record the server holds otherwise; nothing is sent.
TEST_F(LabServerTest, CutOrRewrittenJournalIsRefusedAtItsFirstDifference) {
  auto cut = journalOf("cut.sqlite", 10);
  const auto connection = as("Отрезанная");
  ASSERT_FALSE(sendPending(*connection, *cut, "Отрезанная").failure);
  const std::string path = link::utf8Text(cut->path());
  cut.reset();
  const auto sqlite = [&path](const std::string& sql) {
    return testing::runProgram({"/usr/bin/sqlite3", path, sql}).status;
  };
  ASSERT_EQ(sqlite("DROP TRIGGER records_are_kept; DELETE FROM records WHERE id > 7;"), 0);
  link::Failure error;
  cut = journal::Journal::open(path, error);
  journal::JournalRecord next = resultOf(11);
  ASSERT_FALSE(cut->append(next));
  const SendResult refused = sendPending(*connection, *cut, "Отрезанная");
  ASSERT_TRUE(refused.failure);
  EXPECT_EQ(refused.failure->text, "журнал станции не совпадает с сервером с записи № 8");
  EXPECT_EQ(refused.sent, 0);
  EXPECT_EQ(serverHeadOf("Отрезанная"), 10);

  // Record 4's mass changed and every hash from it made anew, as a forger would.
  auto rewritten = journalOf("rewritten.sqlite", 6);
  const auto rewriter = as("Переписанная");
  ASSERT_FALSE(sendPending(*rewriter, *rewritten, "Переписанная").failure);
  std::vector<journal::JournalRecord> records = rewritten->records();
  records[3].mass = "99,99";
  std::string sql = "DROP TRIGGER records_are_unchanged;";
  for (size_t i = 3; i < records.size(); ++i) {
    records[i].hash = journal::chainHash(records[i - 1].hash, records[i]);
    sql += "UPDATE records SET mass = '" + records[i].mass + "', hash = '" + records[i].hash +
           "' WHERE id = " + std::to_string(records[i].id) + ";";
  }
  const std::string rewrittenPath = link::utf8Text(rewritten->path());
  rewritten.reset();
  ASSERT_EQ(testing::runProgram({"/usr/bin/sqlite3", rewrittenPath, sql}).status, 0);
  rewritten = journal::Journal::open(rewrittenPath, error);
  ASSERT_TRUE(rewritten->verify().firstBroken == std::nullopt) << "the chain holds in the file itself";
  next = resultOf(7);
  ASSERT_FALSE(rewritten->append(next));
  // The server itself refuses a record that does not follow its station's last one.
  const std::optional<LabFailure> direct = addRecords(*rewriter, "Переписанная", records.back().hash, {next});
  ASSERT_TRUE(direct);
  EXPECT_EQ(direct->problem, LabProblem::ChainMismatch);
  const SendResult caught = sendPending(*rewriter, *rewritten, "Переписанная");
  ASSERT_TRUE(caught.failure);
  EXPECT_EQ(caught.failure->problem, LabProblem::ChainMismatch);
  EXPECT_EQ(caught.failure->record, 4);
  EXPECT_EQ(serverHeadOf("Переписанная"), 6);
  const testing::ProgramResult verified =
      testing::runProgram({TARVELO_JOURNAL_TOOL, "verify", "--server", stationConnection("Переписанная"), "--journal",
                           rewrittenPath});
  EXPECT_EQ(verified.status, 3) << verified.err;
  EXPECT_NE(verified.out.find("Станция «Переписанная»: журнал станции не совпадает с сервером с записи № 4."),
            std::string::npos)
      << verified.out;
}

// A station may add and read; it may not change, delete or empty the lab's journal, nor
// may its owner change a record.
TEST_F(LabServerTest, StationRoleCannotChangeOrDelete) {
  const auto first = journalOf("roles.sqlite", 1);
  ASSERT_FALSE(sendPending(*as("Права"), *first, "Права").failure);
  for (const char* sql : {"UPDATE tarvelo.lab_records SET mass = '1,00'", "DELETE FROM tarvelo.lab_records",
                          "TRUNCATE tarvelo.lab_records"}) {
    const testing::ProgramResult tried = cluster_->psql(stationConnection("Права"), sql);
    EXPECT_NE(tried.status, 0) << sql;
    EXPECT_NE(tried.err.find("нет доступа к таблице lab_records"), std::string::npos) << tried.err;
    const testing::ProgramResult owner = cluster_->psql(cluster_->superuserConnection(), sql);
    EXPECT_NE(owner.status, 0) << sql;
  }
  EXPECT_EQ(serverHeadOf("Права"), 1);
  // Only the owner, switching the journal's triggers off, can change a record; the check of
  // the server's chains names the station and the record.
  ASSERT_EQ(cluster_->psql(cluster_->superuserConnection(),
                           "ALTER TABLE tarvelo.lab_records DISABLE TRIGGER USER; "
                           "UPDATE tarvelo.lab_records SET mass = '1,00' WHERE station = 'Права';"
                           "ALTER TABLE tarvelo.lab_records ENABLE TRIGGER USER;")
                .status,
            0);
  const testing::ProgramResult verified = testing::runProgram(
      {TARVELO_JOURNAL_TOOL, "verify", "--server", stationConnection("Права")});
  EXPECT_EQ(verified.status, 3) << verified.err;
  EXPECT_NE(verified.out.find("Станция «Права»: цепочка на сервере нарушена с записи № 1."), std::string::npos)
      << verified.out;
  // The lab's export marks that station's rows and says why at its end.
  const testing::ProgramResult exported = testing::runProgram(
      {TARVELO_JOURNAL_TOOL, "export", "--server", stationConnection("Права"), "--station", "Права"});
  for (const char* said : {"Права (цепочка нарушена)", "Цепочка на сервере нарушена: «Права» с записи № 1."})
    EXPECT_NE(exported.out.find(said), std::string::npos) << exported.out;
}

// The lab's view: an animal weighed at two stations is one object, its weighings in the
// order they were made; a removal at one station takes its result out; the reference is
// the first weighing, the list's weight, then the one taken anywhere. A result without a
// number stays its station's, under its newest name.
TEST_F(LabServerTest, LabViewFollowsAnAnimalAcrossStations) {
  constexpr char kRoaming[] = "643000000000001";
  constexpr char kListed[] = "643000000000002";
  const auto add = [](journal::Journal& journal, const std::string& kind, const std::string& animal, int day,
                      std::optional<double> grams, std::int64_t subject = 0) {
    journal::JournalRecord record;
    record.kind = kind;
    record.utc = "2026-11-0" + std::to_string(day) + "T09:00:00.000Z";
    record.local = "2026-11-0" + std::to_string(day) + " 12:00:00";
    record.object = "Мышь " + std::to_string(day);
    record.animal = animal;
    record.grams = grams;
    record.subject = subject;
    record.cage = "К-" + std::to_string(day);
    EXPECT_FALSE(journal.append(record));
    return record.id;
  };
  const auto a = journalOf("view-a.sqlite", 0);
  const auto b = journalOf("view-b.sqlite", 0);
  add(*a, journal::kResult, kRoaming, 1, 30.0);
  add(*b, journal::kResult, kRoaming, 2, 24.0);
  add(*a, journal::kResult, kRoaming, 3, 28.0);
  add(*b, journal::kRemoval, "", 5, std::nullopt, add(*b, journal::kResult, kRoaming, 4, 10.0));
  add(*b, journal::kAnimal, kListed, 1, 40.0);
  add(*a, journal::kResult, kListed, 2, 30.0);
  journal::JournalRecord rename;
  rename.kind = journal::kRename;
  rename.subject = add(*a, journal::kResult, "", 1, 20.0);
  rename.object = "Мышь 7";
  ASSERT_FALSE(a->append(rename));
  const auto connection = as("Вид А");
  const auto other = as("Вид Б");
  const auto objectsNow = [&] {
    EXPECT_FALSE(sendPending(*connection, *a, "Вид А").failure);
    EXPECT_FALSE(sendPending(*other, *b, "Вид Б").failure);
    std::vector<journal::ObjectSummary> objects;
    EXPECT_EQ(labObjects(*connection, objects), std::nullopt);
    std::map<std::string, journal::ObjectSummary> byObject;
    for (const auto& object : objects) byObject[object.object + "/" + object.station] = object;
    return byObject;
  };
  auto objects = objectsNow();
  const journal::ObjectSummary roaming = objects[std::string(kRoaming) + "/"];
  EXPECT_EQ(roaming.weighings, 3);
  EXPECT_EQ(roaming.lastGrams, 28.0);
  EXPECT_EQ(roaming.cage, "К-3");
  EXPECT_EQ(roaming.referenceGrams, 30.0);
  EXPECT_EQ(objects[std::string(kListed) + "/"].referenceGrams, 40.0);
  EXPECT_TRUE(objects["Мышь 7/Вид А"].byName);
  EXPECT_EQ(objects["Мышь 7/Вид А"].weighings, 1);
  std::vector<journal::JournalRecord> history;
  ASSERT_EQ(labObjectResults(*connection, roaming, history), std::nullopt);
  std::vector<double> masses;
  for (const auto& result : history) masses.push_back(*result.grams);
  EXPECT_EQ(masses, (std::vector<double>{30.0, 24.0, 28.0}));
  add(*b, journal::kReference, kRoaming, 6, std::nullopt, 1);  // station Б's weighing of day 2
  objects = objectsNow();
  EXPECT_EQ(objects[std::string(kRoaming) + "/"].referenceGrams, 24.0);
  // The sums kept as records came are the sums made anew from every record.
  ASSERT_EQ(connect(cluster_->superuserConnection())->script("SELECT lab_objects_recount()"), std::nullopt);
  const auto recounted = objectsNow();
  const auto sums = [](const auto& o) { return std::tuple(o.weighings, o.lastGrams, o.referenceGrams); };
  for (const auto& [key, object] : objects) EXPECT_EQ(sums(recounted.at(key)), sums(object)) << key;
}

// A login adds only its own station's records, each proved by its hash and continuing its
// chain; it cannot set the server's own columns, shadow the journal with a table of its
// own, or send a journal the server holds as another station's.
TEST_F(LabServerTest, ALoginAddsOnlyItsStationsProvedRecords) {
  const auto mine = journalOf("mine.sqlite", 3);
  const auto connection = as("Своя");
  as("Чужая");
  const std::vector<journal::JournalRecord> records = mine->records();
  const auto refusal = [&](const std::string& station, const std::string& previous, journal::JournalRecord record) {
    const std::optional<LabFailure> failure = addRecords(*connection, station, previous, {record});
    return failure ? failure->problem : LabProblem::BadSettings;
  };
  EXPECT_EQ(refusal("Чужая", "", records[0]), LabProblem::NoStation);
  EXPECT_EQ(refusal("Своя", records[0].hash, records[1]), LabProblem::ChainMismatch) << "skips record 1";
  journal::JournalRecord forged = records[0];
  forged.mass = "12,34";
  const std::optional<LabFailure> forgedRefused = addRecords(*connection, "Своя", "", {forged});
  ASSERT_TRUE(forgedRefused);
  EXPECT_EQ(forgedRefused->text, "не принимает запись № 1: ее подпись не подтверждается ее полями");
  ASSERT_EQ(sendPending(*connection, *mine, "Своя").sent, 3);
  // No index of the server refuses a record for the length of its texts.
  std::mt19937 random(3000);
  const auto noise = [&random] {  // long, and no shorter compressed
    std::string made;
    for (int i = 0; i < 6000; ++i) made += static_cast<char>('0' + random() % 75);
    return made;
  };
  journal::JournalRecord longTexts = resultOf(4);
  longTexts.animal = noise();
  longTexts.object = noise();
  ASSERT_FALSE(mine->append(longTexts));
  const SendResult sentLong = sendPending(*connection, *mine, "Своя");
  EXPECT_EQ(sentLong.sent, 1) << (sentLong.failure ? sentLong.failure->text : "");
  // Nor for bytes no server keeps as text: the journal keeps them readable, as it takes them.
  journal::JournalRecord stray = resultOf(6);
  stray.object = std::string("Мышь\0 6", 11);
  stray.balance = "\xFF\xFE весы";
  ASSERT_FALSE(mine->append(stray));
  EXPECT_EQ(stray.object + "/" + stray.balance, "Мышь 6/\uFFFD\uFFFD весы");
  EXPECT_EQ(sendPending(*connection, *mine, "Своя").sent, 1);
  const std::optional<LabFailure> again = sendPending(*as("Своя под другим именем"), *mine, "Своя под другим именем").failure;
  ASSERT_TRUE(again);
  EXPECT_EQ(again->text, "не принимает запись № 1: этот журнал уже хранится на сервере как журнал станции «Своя»");
  for (const char* sql : {"CREATE TEMP TABLE lab_records (LIKE tarvelo.lab_records)", "CREATE TABLE public.t (a int)",
                          "CREATE TABLE tarvelo.t (a int)",
                          "INSERT INTO tarvelo.lab_records (arrived) OVERRIDING SYSTEM VALUE VALUES (9000000000000000000)",
                          "INSERT INTO tarvelo.lab_records (received) VALUES (now())",
                          "UPDATE tarvelo.lab_stations SET station = 'Чужая'"}) {
    const std::string said = cluster_->psql(stationConnection("Своя"), sql).err;
    EXPECT_TRUE(said.find("нет доступа") != std::string::npos || said.find("нет прав") != std::string::npos)
        << sql << ": " << said;
  }
  EXPECT_EQ(serverHeadOf("Чужая"), 0);
  // Renamed by the administrator, the station's journal goes on as one chain under its new name.
  const auto rename = [](const std::string& from, const std::string& to) {
    return testing::runProgram({TARVELO_JOURNAL_TOOL, "server", "rename-station", from, to, "--server", cluster_->superuserConnection()});
  };
  EXPECT_NE(rename("Своя", "Чужая").err.find("имя «Чужая» на сервере уже есть"), std::string::npos);
  ASSERT_EQ(rename("Своя", "Своя 2").status, 0);
  journal::JournalRecord fifth = resultOf(5);
  ASSERT_FALSE(mine->append(fifth));
  EXPECT_EQ(sendPending(*connection, *mine, "Своя 2").sent, 1);
  EXPECT_EQ(serverHeadOf("Своя 2"), 6);
  EXPECT_EQ(serverHeadOf("Своя"), 0);
}

// The server proves a record's hash from its fields as the station made it, whatever the
// fields hold: the same texts, byte lengths and numbers on both sides.
TEST_F(LabServerTest, ServerAndStationHashAlike) {
  constexpr int kRecords = 100'000;
  constexpr int kBatch = 2'000;  // 29 values a record, within a statement's 65,535
  std::mt19937_64 random(20261209);
  const std::vector<std::string> pieces{"a", "Я", "ё", "µ", "🐭", "\t", "\n", ":", "7", ",", " ", "\\", "'", "~"};
  const auto text = [&] {
    std::string made;
    for (auto n = random() % 12; n > 0; --n) made += pieces[random() % pieces.size()];
    return made;
  };
  const auto grams = [&]() -> std::optional<double> {
    switch (random() % 4) {
      case 0: return std::nullopt;
      case 1: return static_cast<double>(static_cast<std::int64_t>(random() % 100'000)) / 100;
      default: return std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 150) *
                      (random() % 2 ? 1 : -1);
    }
  };
  const auto admin = connect(cluster_->superuserConnection());
  ASSERT_EQ(admin->script("CREATE TEMP TABLE made (LIKE tarvelo.lab_records INCLUDING DEFAULTS INCLUDING IDENTITY)"),
            std::nullopt);
  for (int first = 0; first < kRecords; first += kBatch) {
    std::vector<std::optional<std::string>> values;
    std::string sql = std::string("INSERT INTO made (") + kSentColumns + ") VALUES ";
    for (int n = 0; n < kBatch; ++n) {
      journal::JournalRecord r;
      r.id = static_cast<std::int64_t>(random() >> 2);
      r.chain = static_cast<int>(random() % journal::kChainForm) + 1;
      for (std::string* field : {&r.kind, &r.utc, &r.local, &r.person, &r.protocol, &r.object, &r.mass, &r.deviation,
                                 &r.unit, &r.trace, &r.balance, &r.animal, &r.cage, &r.group, &r.sex, &r.born, &r.note,
                                 &r.strain, &r.genotype, &r.study, &r.earMark})
        *field = text();
      r.grams = grams();
      r.count = static_cast<int>(random() % 1000);
      r.subject = static_cast<std::int64_t>(random() % 100'000);
      const std::string previous = n % 2 ? text() : "";
      r.hash = journal::chainHash(previous, r);
      sql += n == 0 ? "(" : ", (";
      for (const auto& value : sentValues("С", previous, r)) {
        values.push_back(value);
        sql += (sql.back() == '(' ? "$" : ", $") + std::to_string(values.size());
      }
      sql += ")";
    }
    const std::optional<LabFailure> failure = admin->run(sql, values);
    ASSERT_FALSE(failure) << failure->text;
  }
  LabRows differ;
  ASSERT_EQ(admin->run("SELECT count(*), min(grams::text) FROM made WHERE hash <> tarvelo.lab_record_hash(ROW(made.*)::tarvelo.lab_records)",
                       {},
                       &differ),
            std::nullopt);
  EXPECT_EQ(differ[0][0], "0") << "e.g. grams " << differ[0][1];
}

// A record the server refuses is named with the reason; the records before it go, and the
// rest once the refusal is lifted. A record the station's own chain does not prove is not
// sent, and one changed here after it was sent is named by the check against the server.
TEST_F(LabServerTest, RefusedAndUnprovenRecordsAreNamed) {
  auto journal = journalOf("refused.sqlite", 5);
  const auto connection = as("Отказ");
  ASSERT_EQ(cluster_->psql(cluster_->superuserConnection(),
                           "CREATE FUNCTION public.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "RAISE EXCEPTION 'запрещено' USING ERRCODE = '22023'; END $$; "
                           "CREATE TRIGGER refuse BEFORE INSERT ON tarvelo.lab_records FOR EACH ROW "
                           "WHEN (NEW.station = 'Отказ' AND NEW.id = 3) EXECUTE FUNCTION public.refuse();")
                .status,
            0);
  const SendResult refused = sendPending(*connection, *journal, "Отказ");
  ASSERT_TRUE(refused.failure);
  EXPECT_EQ(refused.failure->text, "не принимает запись № 3: запрещено");
  EXPECT_EQ(refused.sent, 2);
  ASSERT_EQ(cluster_->psql(cluster_->superuserConnection(), "DROP TRIGGER refuse ON tarvelo.lab_records").status, 0);
  EXPECT_EQ(sendPending(*connection, *journal, "Отказ").sent, 3);

  const std::string path = link::utf8Text(journal->path());
  for (int i = 0; i < 3; ++i) {
    journal::JournalRecord record = resultOf(6 + i);
    ASSERT_FALSE(journal->append(record));
  }
  journal.reset();
  ASSERT_EQ(testing::runProgram({"/usr/bin/sqlite3", path,
                                 "DROP TRIGGER records_are_unchanged; UPDATE records SET mass = '12,34' WHERE id IN (2, 7)"})
                .status,
            0);
  link::Failure error;
  journal = journal::Journal::open(path, error);
  const SendResult unproven = sendPending(*connection, *journal, "Отказ");
  ASSERT_TRUE(unproven.failure);
  EXPECT_EQ(unproven.failure->text, "запись № 7 журнала не подтверждается цепочкой: не отправлена");
  EXPECT_EQ(serverHeadOf("Отказ"), 6);
  const testing::ProgramResult verified = testing::runProgram(
      {TARVELO_JOURNAL_TOOL, "verify", "--server", stationConnection("Отказ"), "--journal", path});
  EXPECT_EQ(verified.status, 3);
  EXPECT_NE(verified.out.find("Станция «Отказ»: журнал этой станции нарушен с записи № 2"), std::string::npos)
      << verified.out;
}

// A journal made before in the schema public moves into the lab's schema with every record
// at the next "server init"; a Russian-collated database gives one day's rows for that day.
TEST_F(LabServerTest, EarlierJournalMovesAndRussianCollationKeepsPeriods) {
  ASSERT_EQ(cluster_->psql(cluster_->superuserConnection(),
                           "CREATE DATABASE ru TEMPLATE template0 LC_COLLATE 'ru_RU.UTF-8' LC_CTYPE 'ru_RU.UTF-8'")
                .status,
            0);
  const std::string ru = cluster_->connection(testing::PostgresCluster::kSuperuser, {}, "ru");
  const auto init = [&ru] { return testing::runProgram({TARVELO_JOURNAL_TOOL, "server", "init", "--server", ru}).status; };
  ASSERT_EQ(init(), 0);
  ASSERT_EQ(testing::runProgram({TARVELO_JOURNAL_TOOL, "server", "add-station", "Ру", "--login", "ru_station",
                                 "--password-file", passwordFile(), "--server", ru})
                .status,
            0);
  const auto journal = journalOf("ru.sqlite", 2);
  journal::JournalRecord nextDay = resultOf(3);
  nextDay.local = "2026-12-08 10:00:00";
  ASSERT_FALSE(journal->append(nextDay));
  cluster_->keepPassword("ru_station", kStationPassword);
  ASSERT_FALSE(sendPending(*connect(cluster_->connection("ru_station", {}, "ru")), *journal, "Ру").failure);
  ASSERT_EQ(cluster_->psql(ru,
                           "ALTER TABLE tarvelo.lab_records SET SCHEMA public; ALTER TABLE tarvelo.lab_objects SET "
                           "SCHEMA public; DROP SCHEMA tarvelo CASCADE;")
                .status,
            0);
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(cluster_->psql(ru, "SELECT count(*), min(tableowner) FROM pg_tables WHERE schemaname = 'tarvelo'").out,
            "3|tarvelo_owner\n");
  const testing::ProgramResult day =
      testing::runProgram({TARVELO_JOURNAL_TOOL, "export", "--server", ru, "--from", "2026-12-07", "--to", "2026-12-07"});
  EXPECT_EQ(std::count(day.out.begin(), day.out.end(), '\n'), 1 + 2) << day.out << day.err;
}

// What "Проверить соединение" tells: a wrong password, an unknown host, a server that
// does not listen, a database that is not there, a database without the lab's journal.
TEST_F(LabServerTest, FailedConnectionsAreSaidInRussian) {
  const auto failureOf = [](const std::string& connection, LabUse use = LabUse::Station) {
    LabFailure failure;
    EXPECT_FALSE(LabConnection::open(connection, failure, use)) << connection;
    return failure;
  };
  const std::string login = "station_1";  // the first login bound in this suite
  stationConnection("Комната 1");
  EXPECT_EQ(failureOf(cluster_->connection(login, "чужой"), LabUse::Administration).problem, LabProblem::Password);
  // A password kept in a station's settings by an earlier version is not used.
  const LabFailure kept = failureOf(cluster_->connection(login, kStationPassword));
  EXPECT_EQ(kept.problem, LabProblem::BadSettings);
  EXPECT_NE(kept.text.find(":" + login + ":ПАРОЛЬ"), std::string::npos) << kept.text;
  EXPECT_EQ(failureOf("host=no-such-host.invalid dbname=lab").problem, LabProblem::HostNotFound);
  EXPECT_EQ(failureOf("host=127.0.0.1 port=1 dbname=lab").problem, LabProblem::Refused);
  EXPECT_EQ(failureOf(cluster_->connection(login, {}, "нет_такой")).problem,
            LabProblem::NoDatabase);
  EXPECT_EQ(failureOf("host=127.0.0.1 port").problem, LabProblem::BadSettings);
  const testing::ProgramResult given = testing::runProgram(
      {TARVELO_JOURNAL_TOOL, "export", "--server", cluster_->connection(login, kStationPassword)});
  EXPECT_EQ(given.status, 1) << "no password on a command line";
  EXPECT_NE(given.err.find(":" + std::to_string(cluster_->port()) + ":postgres:" + login + ":ПАРОЛЬ"), std::string::npos)
      << given.err;
  ASSERT_EQ(cluster_->psql(cluster_->superuserConnection(), "CREATE DATABASE пустая").status, 0);
  journal::Head head;
  const std::optional<LabFailure> empty =
      stationHead(*connect(cluster_->connection(login, {}, "пустая")), "А", head);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->problem, LabProblem::NoLabJournal);
}

}  // namespace
}  // namespace tarvelo::labserver
