// Rules deciding about finished downloads at once, over real files and their origin attributes.
#include "app/AppTexts.h"
#include "app/ModelFixture.h"

#include <QDBusPendingCallWatcher>
#include <QJsonDocument>

#include <map>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const char* const storedRules = R"({"rules": [
    {"host": ".example.org", "kind": "pdf", "choice": "oneDay"},
    {"ext": "iso", "choice": "forever"},
    {"host": "bücher.de", "choice": "oneHour"}]})";

} // namespace

TEST(RulesModel, AMatchingRuleDecidesAtOnceAndAPersonCanStillChange) {
    ModelWorld world(storedRules);
    world.settings.setPauseWatching(true);
    std::vector<TrackedFile*> asked;
    world.model.onNewPendingFile = [&asked](TrackedFile* f) { asked.push_back(f); };
    // What each rule decision said when it was made (a file kept for good leaves memory).
    std::map<QString, std::optional<Rule>> ruled;
    QObject::connect(&world.model, &AppModel::decidedByRule,
                     [&ruled](TrackedFile* f) { ruled[f->displayName()] = f->rule(); });
    world.model.start();

    struct Row {
        const char* name;
        QByteArray origin;
        QByteArray referrer;
        std::optional<ExpiryOption> decided; // none: waits for the person
    };
    const Row rows[] = {
        {"bill.pdf", "https://dl.Example.ORG/bill.pdf?user=me", {}, ExpiryOption::oneDay},
        {"ftp.pdf", "ftp://example.org/pub/ftp.pdf", {}, ExpiryOption::oneDay},
        {"idn.txt", "https://xn--bcher-kva.de/idn.txt", {}, ExpiryOption::oneHour},
        {"disc.iso", {}, {}, ExpiryOption::forever},
        // Only http(s) and ftp addresses of the download itself name a host.
        {"local.pdf", "file://example.org/home/me/local.pdf", {}, std::nullopt},
        {"shell.pdf", "sftp://example.org/shell.pdf", {}, std::nullopt},
        {"data.pdf", "data:application/pdf,example.org", {}, std::nullopt},
        {"referred.pdf", {}, "https://example.org/page", std::nullopt},
        {"junk.pdf", "https://exa mple.org/junk.pdf", {}, std::nullopt},
        // The model's own reading of the kind: the pdf rule's host sends no image.
        {"image.png", "https://example.org/image.png", {}, std::nullopt},
    };
    for (const Row& row : rows) {
        if (!row.referrer.isEmpty()) {
            writeFile(world.file(row.name), "payload");
            ASSERT_TRUE(writeXattr(world.file(row.name), referrerUrlAttribute, row.referrer).ok());
        }
        const Instant now = world.clock.now() + std::chrono::milliseconds(1500);
        world.download(row.name, "payload", row.origin);
        // A file kept for good is in neither list: its record is looked up as stored.
        TrackedFile* record = world.stored(row.name);
        ASSERT_NE(record, nullptr) << row.name;
        const std::optional<QString> mark = attributeText(expiryAttribute, world.file(row.name));
        if (!row.decided) {
            EXPECT_EQ(record->status(), FileStatus::pending) << row.name;
            EXPECT_FALSE(record->decidedByRule()) << row.name;
            continue;
        }
        ASSERT_TRUE(ruled[QString::fromUtf8(row.name)]) << row.name;
        EXPECT_EQ(ruled[QString::fromUtf8(row.name)]->choice, *row.decided) << row.name;
        if (const auto length = duration(*row.decided)) {
            EXPECT_EQ(record->status(), FileStatus::scheduled) << row.name;
            EXPECT_TRUE(record->decidedByRule()) << row.name;
            EXPECT_EQ(record->expiresAt(), now + *length) << row.name;
            EXPECT_TRUE(mark) << row.name;
        } else {
            EXPECT_EQ(record->status(), FileStatus::keepForever) << row.name;
            EXPECT_EQ(mark, std::nullopt) << row.name;
        }
    }
    EXPECT_EQ(ruled.size(), 4U);
    EXPECT_EQ(asked.size(), 6U) << "a file a rule decided is never asked about";
    EXPECT_EQ(world.model.pendingFiles().size(), 6);
    EXPECT_TRUE(world.log.contains("Decided by rule 1: bill.pdf, oneDay"));

    // The person's choice replaces the rule's, and the record no longer says a rule made it.
    TrackedFile* bill = world.record("bill.pdf");
    world.model.decide(bill, ExpiryOption::tenDays);
    EXPECT_FALSE(bill->decidedByRule());
    EXPECT_EQ(bill->expiresAt(), world.clock.now() + *duration(ExpiryOption::tenDays));
}

TEST_F(ModelTest, RulesAreListedAddedAndRemovedOverTheBusAndBadOnesRefused) {
    model.start();
    ServedBus served(model);
    if (served.daemon.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed or did not print its address";
    ASSERT_TRUE(served.registered);
    // Asynchronous: the service answers on this very thread.
    const auto call = [&](const QString& method, const QVariantList& arguments = {}) {
        QDBusPendingCallWatcher watcher(served.call(method, arguments));
        EXPECT_TRUE(waitFor([&] { return watcher.isFinished(); }, std::chrono::seconds(10)));
        return watcher.reply();
    };
    const auto add = [&](const char* host, const char* kind, const char* ext,
                         const QString& choice) {
        return call(QStringLiteral("AddRule"), {QString::fromUtf8(host), QString::fromUtf8(kind),
                                                QString::fromUtf8(ext), choice});
    };
    const std::tuple<const char*, const char*, const char*, QString, const char*> refused[] = {
        {"", "", "", QStringLiteral("1d"), "Rule refused: it names no host, kind or extension"},
        {"exa mple.org", "", "", QStringLiteral("1d"), "Rule refused: the host is not a host name"},
        {"", "", "pdf", QString(100'000, u'x'), "Rule refused: a part of the rule is too long"},
    };
    for (const auto& [host, kind, ext, choice, message] : refused) {
        const QDBusMessage reply = add(host, kind, ext, choice);
        EXPECT_EQ(reply.errorName(), BusService::invalidRuleError) << message;
        EXPECT_EQ(reply.errorMessage().toStdString(), message);
    }
    EXPECT_FALSE(defaults.value(QStringLiteral("rules"))) << "nothing refused is stored";

    EXPECT_EQ(add(".Example.org", "PDF", "", QStringLiteral("1d")).arguments().value(0), 1U);
    EXPECT_EQ(add("", "", ".ISO", QStringLiteral("keep")).arguments().value(0), 2U);
    const QDBusMessage listed = call(QStringLiteral("ListRules"));
    const auto rules = qdbus_cast<BusRules>(listed.arguments().value(0));
    ASSERT_EQ(rules.size(), 2);
    EXPECT_EQ(rules[0],
              (QVariantMap{{"host", ".example.org"}, {"kind", "pdf"}, {"choice", "oneDay"}}));
    EXPECT_EQ(rules[1], (QVariantMap{{"ext", "iso"}, {"choice", "forever"}}));

    EXPECT_EQ(call(QStringLiteral("RemoveRule"), {3U}).errorName(), BusService::invalidRuleError);
    EXPECT_EQ(call(QStringLiteral("RemoveRule"), {1U}).type(), QDBusMessage::ReplyMessage);
    const QJsonObject onDisk =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(defaults.filePath()))).object();
    EXPECT_EQ(onDisk.value(QStringLiteral("rules")),
              (QJsonArray{QJsonObject{{"ext", "iso"}, {"choice", "forever"}}}));
}

TEST_F(ModelTest, TheRuleBehindADecisionOutlivesARestartIsCountedAndChangeAsksAgain) {
    ASSERT_TRUE(settings.addRule(*ruleFromWords(".example.org", "pdf", "", "1d").rule));
    ASSERT_TRUE(settings.addRule(*ruleFromWords("", "", "iso", "keep").rule));
    auto running = startedModel();
    const QUuid bill = arrive(*running, "bill.pdf", "https://example.org/bill.pdf")->id();
    TrackedFile* memoRecord = arrive(*running, "memo.pdf", "https://www.example.org/memo.pdf");
    const QUuid memo = memoRecord->id();
    const QUuid disc = arrive(*running, "disc.iso")->id();
    const QUuid moved = arrive(*running, "moved.iso")->id();
    running->decide(memoRecord, ExpiryOption::tenDays);
    EXPECT_EQ(running->filesDecidedByRules(), (std::vector<qint64>{1, 2}));
    EXPECT_TRUE(newPending.empty());

    running = startedModel();
    ASSERT_EQ(running->trackedFiles().size(), 2);
    for (TrackedFile* f : running->trackedFiles())
        EXPECT_EQ(f->decidedByRule(), f->id() == bill) << f->displayName().toStdString();
    EXPECT_EQ(running->filesDecidedByRules(), (std::vector<qint64>{1, 2}));

    // Scheduled or kept, the file waits again as a new download does, with no mark of ours.
    clock.advance(1h);
    for (const QUuid& id : {bill, disc}) {
        TrackedFile* asked = running->askAgain(id);
        ASSERT_NE(asked, nullptr);
        EXPECT_EQ(asked->status(), FileStatus::pending);
        EXPECT_FALSE(asked->decidedByRule());
        EXPECT_EQ(asked->addedAt(), clock.now()) << "its grace period starts now";
        EXPECT_EQ(asked->expiresAt(), std::nullopt);
        EXPECT_EQ(attributeText(expiryAttribute, file(asked->displayName().toStdString())),
                  std::nullopt);
    }
    EXPECT_EQ(names(running->pendingFiles()), (QStringList{"bill.pdf", "disc.iso"}));
    EXPECT_EQ(newPending.size(), 2U);
    EXPECT_EQ(running->filesDecidedByRules(), (std::vector<qint64>{0, 1}));
    // Nothing else is asked about again: a file decided by a person, a file gone, a kept file
    // moved out of Downloads, no file.
    std::filesystem::remove(file("memo.pdf"));
    std::filesystem::rename(file("moved.iso"), home.root() / "moved.iso");
    for (const QUuid& id : {memo, moved, QUuid::createUuid(), QUuid()})
        EXPECT_EQ(running->askAgain(id), nullptr);
}

TEST_F(ModelTest, ThreeSameChoicesOfAKindFromAHostOfferARuleOnceUntilDeclined) {
    auto running = startedModel();
    int count = 0;
    // One new download of the kind from the host, decided by the person.
    const auto choose = [&](const char* extension, const QByteArray& host, ExpiryOption option) {
        const std::string name = "file" + std::to_string(++count) + "." + extension;
        TrackedFile* f =
            arrive(*running, name, host.isEmpty() ? QByteArray() : "https://" + host + "/x");
        EXPECT_EQ(f->status(), FileStatus::pending) << name;
        running->decide(f, option);
        return running->ruleOffer();
    };
    const auto day = ExpiryOption::oneDay;
    // Different choices, another kind, no host and test timers start no streak.
    EXPECT_FALSE(choose("pdf", "example.org", day));
    EXPECT_FALSE(choose("pdf", "example.org", ExpiryOption::oneHour));
    EXPECT_FALSE(choose("png", "example.org", day));
    EXPECT_FALSE(choose("pdf", {}, day));
    EXPECT_FALSE(choose("pdf", "example.org", ExpiryOption::tenSeconds));
    EXPECT_FALSE(choose("pdf", "EXAMPLE.org", day));
    EXPECT_FALSE(choose("pdf", "example.org", day));
    const std::optional<RuleOffer> offer = choose("pdf", "example.org", day);
    ASSERT_TRUE(offer);
    EXPECT_EQ(*offer, (RuleOffer{"example.org", FileKind::pdf, day}));
    EXPECT_EQ(appTexts::ruleOfferQuestion(offer->rule()),
              "Always keep PDFs from example.org for 1 day?");

    // Left unanswered it comes back after three more; declined, never, not after a restart.
    running->dropRuleOffer();
    EXPECT_FALSE(choose("pdf", "example.org", day));
    EXPECT_FALSE(choose("pdf", "example.org", day));
    EXPECT_TRUE(choose("pdf", "example.org", day));
    running->answerRuleOffer(false);
    EXPECT_FALSE(running->ruleOffer());
    running = startedModel();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(choose("pdf", "example.org", day)) << i;
    EXPECT_TRUE(settings.rules().empty());

    // Accepted, it is a rule at once: the next such file is decided and never waits.
    choose("iso", "mirror.net", ExpiryOption::forever);
    choose("iso", "mirror.net", ExpiryOption::forever);
    EXPECT_TRUE(choose("iso", "mirror.net", ExpiryOption::forever));
    running->answerRuleOffer(true);
    ASSERT_EQ(settings.rules().size(), 1U);
    EXPECT_EQ(appTexts::ruleSubject(settings.rules().front()), "packages from mirror.net");
    EXPECT_EQ(arrive(*running, "next.iso", "https://mirror.net/n.iso")->status(),
              FileStatus::keepForever);
    EXPECT_TRUE(running->pendingFiles().isEmpty());
}
