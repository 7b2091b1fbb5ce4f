// The command line talking to the running program over a private session bus.
#include "e2e/ProgramFixture.h"
#include "support/ScopedMount.h"

#include <QJsonArray>
#include <QScopeGuard>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class CommandLineTest : public BusTest {
protected:
    void SetUp() override {
        BusTest::SetUp();
        if (IsSkipped())
            return;
        writeOnboardedSettings(home);
        // Files that were there before the program started: unknown to it until named.
        for (const std::string& name : names)
            writeFile(named.emplace_back(dl(name)), "payload of " + name);
        ASSERT_TRUE(program.start()) << program.log();
    }
    // Names as bytes, so that those that are not UTF-8 reach the program exactly.
    Command fadebin(std::vector<QByteArray> words, const std::vector<path>& files = {}) {
        words.insert(words.begin(), FADEBIN_PROGRAM);
        for (const path& file : files)
            words.push_back(QByteArray::fromStdString(file.native()));
        return runBytes(words);
    }
    path dl(const std::string& name) const { return home.downloads() / name; }

    Program program{home};
    // A space, a newline and bytes that are not UTF-8 must all survive the bus.
    const std::vector<std::string> names{"report.pdf", "with space.txt", "line\nbreak.txt",
                                         "caf\xe9\xff.bin"};
    std::vector<path> named; // their paths
};

} // namespace

TEST_F(CommandLineTest, ExpireKeepAndListGoThroughTheBusWithNamesIntact) {
    const double before = unixNow();
    // What a decision writes is the store's tests'; here, that each name arrived intact.
    EXPECT_TRUE(fadebin({"expire", "--in", "1h"}, named).succeeded());

    EXPECT_TRUE(fadebin({"keep"}, {dl("report.pdf")}).succeeded());
    EXPECT_EQ(readRecord(home, "report.pdf").status, "keepForever");
    // gdbus sends a bytestring with its trailing NUL; the option by its short word.
    writeFile(dl("g.txt"), "g");
    const Command glib =
        runTool("gdbus", {"call", "--session", "--dest", "com.ostrel.Fadebin", "--object-path",
                          "/com/ostrel/Fadebin", "--method", "com.ostrel.Fadebin1.SetExpiry",
                          QString::fromStdString("[b'" + dl("g.txt").native() + "']"), "keep"});
    EXPECT_EQ(glib.out, "(@a(ays) [],)\n") << glib.err;
    EXPECT_EQ(readRecord(home, "g.txt").status, "keepForever");

    const Command table = fadebin({"list"});
    EXPECT_EQ(table.status, 0);
    // A second may pass between the two commands: the hour then shows as 59 minutes.
    const bool hour =
        table.out.find("scheduled  1h       25 bytes   with space.txt") != std::string::npos ||
        table.out.find("scheduled  59m      25 bytes   with space.txt") != std::string::npos;
    EXPECT_TRUE(hour) << table.out;
    EXPECT_NE(table.out.find("line\\x0abreak.txt"), std::string::npos) << "no forged lines";
    EXPECT_NE(table.out.find("\nTotal: scheduled 3 (70 bytes)\n"), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find("report.pdf"), std::string::npos) << "kept files are not listed";

    const Command json = fadebin({"list", "--json"});
    const QJsonArray listed = parseJson(json.out).array();
    ASSERT_EQ(listed.size(), 3);
    bool sawBytes = false;
    for (const QJsonValue& entry : listed) {
        const QJsonObject o = entry.toObject();
        EXPECT_EQ(o.value("status").toString(), QStringLiteral("scheduled"));
        EXPECT_NEAR(o.value("expiresAt").toDouble(), before + 3600, 10);
        if (o.contains("pathBase64")) {
            sawBytes = true;
            EXPECT_EQ(QByteArray::fromBase64(o.value("pathBase64").toString().toLatin1()),
                      QByteArray::fromStdString(dl("caf\xe9\xff.bin").native()));
        }
    }
    EXPECT_TRUE(sawBytes);
}

// `wget … && fadebin keep …`: the keep lands while the download is still watched; no 2nd record.
TEST_F(CommandLineTest, AKeepAsTheDownloadLandsStaysItsOnlyRecord) {
    writeFile(dl("fresh.pdf"), "precious");
    writeFile(dl("marker.bin"), "seen finished no sooner than fresh.pdf");
    EXPECT_TRUE(fadebin({"keep"}, {dl("fresh.pdf")}).succeeded());
    ASSERT_TRUE(reaches(home, "marker.bin", "pending")) << program.log();
    std::vector<std::string> fresh;
    for (const Record& record : readRecords(home))
        if (record.displayName == "fresh.pdf")
            fresh.push_back(record.status);
    EXPECT_EQ(fresh, std::vector<std::string>{"keepForever"}) << program.log();
    EXPECT_EQ(readFile(dl("fresh.pdf")), "precious");
}

TEST_F(CommandLineTest, DeleteNowTrashesAndRestorePutsBackAndAsksAgain) {
    EXPECT_TRUE(fadebin({"delete-now"}, {dl("report.pdf")}).succeeded());
    EXPECT_TRUE(exists(home.dataHome() / "Trash/files/report.pdf"));
    EXPECT_FALSE(exists(dl("report.pdf")));

    writeFile(dl("report.pdf"), "another file at the place");
    const Command taken = fadebin({"restore"}, {dl("report.pdf")});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("another file is at its place now"), std::string::npos) << taken.err;
    std::filesystem::remove(dl("report.pdf"));

    EXPECT_TRUE(fadebin({"restore"}).succeeded());
    EXPECT_EQ(readFile(dl("report.pdf")), "payload of report.pdf");
    EXPECT_TRUE(waitFor([&] {
        const auto records = readRecords(home);
        return std::ranges::count_if(records, [](const Record& r) {
                   return r.displayName == "report.pdf" && r.status == "pending";
               }) == 1;
    })) << "a restored file is asked about again";
    const Command again = fadebin({"restore"}, {dl("report.pdf")});
    EXPECT_EQ(again.status, 1) << "no longer in the Trash";
}

TEST_F(CommandLineTest, PlanListsWhatWouldFreeSpaceAndFreeEmptiesOnlyOurTrashedItems) {
    ASSERT_EQ(fadebin({"delete-now"}, {dl("report.pdf")}).status, 0);
    ASSERT_EQ(fadebin({"expire", "--in", "1h"}, {dl("with space.txt")}).status, 0);
    writeFile(home.dataHome() / "Trash/files/users.bin", "the user's own");
    const qint64 report = std::string("payload of report.pdf").size();
    const qint64 spaced = std::string("payload of with space.txt").size();

    const Command small = fadebin({"plan", "--free", "1"});
    EXPECT_EQ(small.status, 0) << small.err;
    EXPECT_NE(small.out.find("Trash      21 bytes   trashed "), std::string::npos) << small.out;
    EXPECT_EQ(small.out.find("with space.txt"), std::string::npos) << "enough from the Trash";
    const Command json = fadebin({"plan", "--free", "1G", "--json"});
    const QJsonObject plan = parseJson(json.out).object();
    EXPECT_EQ(plan.value("wanted").toInteger(), 1'000'000'000);
    EXPECT_EQ(plan.value("fromTrash").toInteger(), report);
    EXPECT_EQ(plan.value("fromScheduled").toInteger(), spaced);
    EXPECT_FALSE(plan.value("enough").toBool());
    const QJsonArray steps = plan.value("steps").toArray();
    ASSERT_EQ(steps.size(), 2) << json.out;
    EXPECT_EQ(steps[0].toObject().value("kind").toString(), "trash");
    EXPECT_EQ(steps[0].toObject().value("originalPath").toString().toStdString(),
              dl("report.pdf").native());
    EXPECT_EQ(steps[1].toObject().value("path").toString().toStdString(),
              dl("with space.txt").native());

    for (const std::vector<QByteArray>& wrong :
         std::vector<std::vector<QByteArray>>{{"plan"},
                                              {"plan", "--free", "0"},
                                              {"plan", "--free", "-5G"},
                                              {"free"},
                                              {"free", "1", "2"},
                                              {"free", "99999999T"}})
        EXPECT_EQ(fadebin(wrong).status, 2) << wrong.back().toStdString();
    const Command freed = fadebin({"free", "1G"});
    EXPECT_EQ(freed.status, 0) << freed.err;
    EXPECT_EQ(freed.out, "Removed report.pdf (21 bytes) from the Trash\nFreed 21 bytes (none of "
                         "Fadebin's files is left in the Trash).\n");
    EXPECT_FALSE(exists(home.dataHome() / "Trash/files/report.pdf"));
    EXPECT_EQ(readFile(home.dataHome() / "Trash/files/users.bin"), "the user's own");
    EXPECT_EQ(readFile(dl("with space.txt")), "payload of with space.txt");
    EXPECT_EQ(readRecord(home, "report.pdf").status, "purged");
    EXPECT_EQ(fadebin({"free", "1"}).out,
              "None of Fadebin's files is in the Trash: nothing was freed.\n");
}

TEST_F(CommandLineTest, WhatIsNotInDownloadsIsRefusedAndNothingIsWritten) {
    const path outside = home.root() / "outside.txt";
    writeFile(outside, "keep me");
    std::filesystem::create_symlink(outside, dl("link-out"));
    const Command refused =
        fadebin({"expire", "--in", "1d"}, {outside, dl("link-out"), dl("missing.txt")});
    EXPECT_EQ(refused.status, 1);
    for (const char* reason :
         {"outside.txt: only files in Downloads can be timed",
          "link-out: only files in Downloads can be timed", "missing.txt: no such file"})
        EXPECT_NE(refused.err.find(reason), std::string::npos) << refused.err;
    // A duration the program would refuse for every file is refused before asking it.
    const Command unknown = fadebin({"expire", "--in", "2h"}, {dl("report.pdf")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown duration \"2h\" for --in"), std::string::npos);
    EXPECT_TRUE(readRecords(home).empty());
    EXPECT_FALSE(expiryAttribute(dl("report.pdf")).has_value());

    EXPECT_EQ(fadebin({"expire", "--in", "1h"}).status, 2) << "no files";
    // An empty word, a dot, Downloads itself or above name no file: nothing is done at all.
    std::filesystem::create_directory(dl("Photos"));
    writeFile(dl("Photos/p.jpg"), "jpg");
    const path was = std::filesystem::current_path();
    std::filesystem::current_path(dl("Photos"));
    for (const char* word : {"", ".", "..", "./", "../Photos/.", "..//"})
        EXPECT_EQ(fadebin({"delete-now", word, "p.jpg"}).status, 2) << word;
    std::filesystem::current_path(was);
    EXPECT_EQ(fadebin({"delete-now"}, {home.downloads()}).status, 2);
    EXPECT_EQ(readFile(dl("Photos/p.jpg")), "jpg");
    // The new folder may by now be a download waiting to be asked about: nothing more.
    for (const Record& record : readRecords(home))
        EXPECT_EQ(record.displayName + " " + record.status, "Photos pending");
    // Running but not answering (stopped here) is not "not running".
    ::kill(static_cast<pid_t>(program.pid()), SIGSTOP);
    ::setenv("FADEBIN_CALL_TIMEOUT", "1", 1);
    const Command slow = fadebin({"list"});
    ::unsetenv("FADEBIN_CALL_TIMEOUT");
    ::kill(static_cast<pid_t>(program.pid()), SIGCONT);
    EXPECT_EQ(slow.statusAndErr(),
              "4 Fadebin did not answer in time; it may still be doing what was asked.\n");
    EXPECT_EQ(fadebin({"list"}).status, 0);

    // Without a display there is no notch to show.
    EXPECT_EQ(fadebin({"show", "now"}).status, 2);
    EXPECT_EQ(fadebin({"show"}).statusAndErr(),
              "1 fadebin: There is no notch on this display to show.\n");
    // Quit waits for the end; signal 0 only waits for it too.
    EXPECT_TRUE(fadebin({"quit"}).succeeded());
    EXPECT_EQ(program.endWith(0), 0) << program.log();
    EXPECT_EQ(countOf(program.log(), "Asked to quit over the bus"), 1) << program.log();
    for (const char* command : {"list", "quit", "show"})
        EXPECT_EQ(fadebin({command}).statusAndErr(), "3 Fadebin is not running.\n") << command;
    EXPECT_EQ(fadebin({"expire", "--in", "keep forever"}, {dl("report.pdf")}).status, 2);
}

TEST_F(CommandLineTest, AKeepThatCannotBeSavedExitsFiveAndAStopNamesItLost) {
    program.terminate();
    const path data = home.dataHome() / "Fadebin";
    const auto disk = ScopedMount::tmpfs(data, "size=200k");
    if (!disk)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    ASSERT_TRUE(program.start()) << program.log();
    fillDisk(data / "filler");
    Command kept;
    std::string name;
    for (int i = 0; i < 100 && kept.status != 5; ++i) {
        name = "k" + std::to_string(i);
        writeFile(dl(name), std::string(2000, 'k'));
        kept = fadebin({"keep"}, {dl(name)});
        ASSERT_TRUE(kept.status == 0 || kept.status == 5) << kept.status << kept.err;
    }
    EXPECT_EQ(kept.statusAndErr(),
              "5 fadebin: not saved yet: the disk is full; Fadebin keeps trying\n");
    EXPECT_EQ(program.terminate(), 0);
    EXPECT_EQ(countOf(program.log(), "Lost at stop, never saved: " + name + " (keepForever)"), 1)
        << program.log();
}

TEST_F(CommandLineTest, RulesAreAddedListedAndRemovedAndADownloadTheyMatchIsNeverAsked) {
    const path settingsFile = home.configHome() / "Fadebin/defaults.json";
    const auto storedRules = [&] {
        return parseJson(readFile(settingsFile)).object().value("rules");
    };
    // Each refused before the running program is asked; nothing is stored.
    const std::vector<std::vector<QByteArray>> refused{
        {"rules"},
        {"rules", "add", "--choice", "1d"},
        {"rules", "add", "--kind", "pdf"},
        {"rules", "remove", "0"},
    };
    for (const auto& words : refused) {
        const Command command = fadebin(words);
        EXPECT_EQ(command.status, 2) << words.back().toStdString() << command.err;
    }
    EXPECT_TRUE(storedRules().isUndefined());

    const Command first =
        fadebin({"rules", "add", "--host", ".Example.org", "--kind", "PDF", "--choice", "1d"});
    EXPECT_EQ(first.out, "Added rule 1\n") << first.err;
    EXPECT_EQ(fadebin({"rules", "add", "--ext", ".iso", "--choice", "keep"}).out, "Added rule 2\n");
    const Command table = fadebin({"rules", "list"});
    EXPECT_NE(table.out.find("1    .example.org"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("2    -"), std::string::npos) << table.out;
    const QJsonArray both{
        QJsonObject{{"host", ".example.org"}, {"kind", "pdf"}, {"choice", "oneDay"}},
        QJsonObject{{"ext", "iso"}, {"choice", "forever"}}};
    EXPECT_EQ(parseJson(fadebin({"rules", "list", "--json"}).out).array(), both);
    EXPECT_TRUE(waitFor([&] { return storedRules() == both; }, 30s)) << readFile(settingsFile);

    // A download a rule matches is decided at once (its origin is www.example.org); which
    // download each kind of rule matches is the model's table.
    const double before = unixNow();
    writeDownload(home.downloads(), "bill.pdf");
    EXPECT_TRUE(waitFor([&] { return !readRecord(home, "bill.pdf").status.empty(); }, 30s));
    const Record bill = readRecord(home, "bill.pdf");
    EXPECT_EQ(bill.status, "scheduled");
    EXPECT_NEAR(bill.expiresAt.value_or(0), before + 86'400, 30);

    EXPECT_EQ(fadebin({"rules", "remove", "5"}).statusAndErr(), "1 fadebin: There is no rule 5.\n");
    EXPECT_EQ(fadebin({"rules", "remove", "1"}).status, 0);
    EXPECT_TRUE(waitFor([&] { return storedRules() == QJsonArray{both.at(1)}; }, 30s));
}

// People read their language; scripts read --json, which no language changes.
TEST_F(CommandLineTest, MessagesAreInTheUsersLanguageAndJsonIsNot) {
    ASSERT_EQ(fadebin({"expire", "--in", "1h"}, {dl("report.pdf")}).status, 0);
    const Command englishJson = fadebin({"list", "--json"});
    ASSERT_EQ(englishJson.status, 0);
    // The commands run as under LANG=de_DE.UTF-8 (the tests' own main pins the C locale).
    qunsetenv("LC_ALL");
    qputenv("LANG", "de_DE.UTF-8");
    const auto english = qScopeGuard([] {
        qputenv("LC_ALL", "C.UTF-8");
        qunsetenv("LANG");
    });
    struct Case {
        std::vector<QByteArray> words;
        int status;
        std::string out; // a line (or part of one) of standard output, or of errors
    };
    const std::vector<Case> cases{
        {{"--help"}, 0, "Fadebin gibt jedem neuen Download ein Ablaufdatum.\n\nAufruf: fadebin"},
        {{"--help"}, 0, "       fadebin keep DATEI...\n"},
        {{"expire", "report.pdf"},
         2,
         "fadebin: expire braucht --in 10s, 30s, 30m, 1h, 1d oder 10d\n"},
        {{"quit", "now"}, 2, "fadebin: quit nimmt keine Argumente\nAufruf: fadebin"},
        {{"list"}, 0, "STATUS     REST     GRÖSSE     NAME\ngeplant    "},
        {{"list"}, 0, "\nGesamt: geplant 1 (21 Byte)\n"},
        {{"plan", "--free", "1"},
         0,
         "ORT        GRÖSSE     WANN                    NAME\nDownloads  21 Byte    läuft in "},
        {{"plan", "--free", "1"},
         0,
         "\nGesamt: 21 Byte der gewünschten 1 Byte\n  wenn geplante Dateien ablaufen: 21 Byte\n"},
        {{"plan", "--free", "5X"}, 2, "fadebin: „5X“ ist keine Größe (etwa 5G, 1.5GB oder 500M)\n"},
        {{"free", "1"},
         0,
         "Keine Datei von Fadebin liegt im Papierkorb: Es wurde nichts freigegeben.\n"},
        {{"show"}, 1, "fadebin: Auf diesem Bildschirm gibt es keine Notch zum Zeigen.\n"},
        {{"rules", "add", "--kind", "pdf"},
         2,
         "fadebin: rules add braucht --choice (10s, 30s, 30m, 1h, 1d, 10d oder keep)\n"},
        {{"rules", "add", "--kind", "nope", "--choice", "1d"},
         2,
         "fadebin: Regel abgelehnt: die Art ist keine der bekannten Arten\n"},
        {{"rules", "add", "--ext", "iso", "--choice", "keep"}, 0, "Regel 1 hinzugefügt\n"},
        {{"rules", "list"},
         0,
         "N    HOST                           ART           ENDUNG    WAHL\n1    -                 "
         "             -             iso       Für immer behalten\n"},
        {{"rules", "remove", "7"}, 1, "fadebin: Es gibt keine Regel 7.\n"},
        {{"rules", "remove", "1"}, 0, "Regel 1 entfernt\n"},
    };
    for (const Case& c : cases) {
        const Command run = fadebin(c.words);
        EXPECT_EQ(run.status, c.status) << c.words.front().constData() << run.err;
        EXPECT_NE((run.out + run.err).find(c.out), std::string::npos)
            << c.words.front().constData() << ": " << run.out << run.err;
    }
    const Command germanJson = fadebin({"list", "--json"});
    EXPECT_EQ(germanJson.status, 0);
    EXPECT_EQ(germanJson.out, englishJson.out);
}
