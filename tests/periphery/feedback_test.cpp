#include "periphery/HttpServer.h"
#include "periphery/WindowDriver.h"
#include "platform/Version.h"

#include <QSysInfo>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

TEST(Feedback, BodyKeepsItsKeyOrderAndEscapesEveryValue) {
    EXPECT_EQ(
        feedbackBody("  Line \"one\"\n\\two é\t", "\n me@example.org \t", "1.2 (?)", "Debian"),
        QByteArray("{\"app\":\"Fadebin\",\"message\":\"  Line \\\"one\\\"\\n\\\\two \xc3\xa9\\t\","
                   "\"email\":\"me@example.org\",\"version\":\"1.2 (?)\",\"os\":\"Debian\"}"));
}

// What was typed is sent; a failure says why and keeps it; sent, the window thanks and closes.
TEST(Feedback, SendsWhatWasTypedSaysWhyItFailedAndThanksOnceSent) {
    const auto settled = [](const FeedbackForm& form) {
        return waitFor([&] { return form.state() != FeedbackForm::SendState::sending; });
    };
    WindowWorld world;
    HttpServer server;
    server.respond("/api/feedback", HttpServer::answer(500, "oops"));
    server.respond("/slow", HttpServer::silence());
    FeedbackWindow feedback(world.engine, world.clock, world.network, server.url("/api/feedback"));
    QQuickWindow* window = shown(feedback);
    ASSERT_NE(window, nullptr);

    EXPECT_FALSE(findItem(window, "send")->isEnabled());
    click(window, "message");
    type(window, "   ");
    press(window, Qt::Key_Return);
    EXPECT_EQ(feedback.form().message(), "   \n") << "Return in the editor is a new line";
    EXPECT_FALSE(findItem(window, "send")->isEnabled()) << "white space is no message";
    EXPECT_TRUE(server.requests().empty());
    type(window, "Love it");
    click(window, "email");
    type(window, "  me@example.org ");

    press(window, Qt::Key_Return);
    EXPECT_FALSE(findItem(window, "send")->isEnabled());
    ASSERT_TRUE(settled(feedback.form()));
    EXPECT_TRUE(isShown(window, "error"));
    EXPECT_EQ(textOf(window, "error"), "Couldn't send right now. Please try again.");
    EXPECT_EQ(textOf(window, "message"), "   \nLove it");
    EXPECT_EQ(textOf(window, "email"), "  me@example.org ");
    EXPECT_TRUE(findItem(window, "send")->isEnabled());

    server.respond("/api/feedback", HttpServer::answer(200));
    click(window, "send");
    ASSERT_TRUE(settled(feedback.form()));
    ASSERT_EQ(server.requests().size(), 2u);
    const HttpServer::Request& request = server.requests()[1];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_EQ(request.body, feedbackBody("   \nLove it", "me@example.org", appVersionString(),
                                         QSysInfo::prettyProductName()));
    EXPECT_TRUE(isShown(window, "thanks"));
    world.clock.advance(1399ms);
    EXPECT_TRUE(window->isVisible());
    world.clock.advance(1ms);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(shown(feedback), window);
    EXPECT_TRUE(feedback.form().message().isEmpty()) << "a sent message is not offered again";
    EXPECT_FALSE(isShown(window, "thanks"));

    // No answer; an answer judged by its status line alone (an endless body is not waited
    // for); a redirect, which is no receipt even to a place that would take the message.
    server.respond("/endless", HttpServer::endless(200, "ok"));
    server.respond("/moved", HttpServer::answer(302, {}, {{"Location", "/endless"}}));
    const QString unreachable = "Couldn't reach the server. Check your connection.";
    const std::pair<QUrl, QString> sends[] = {
        {HttpServer::refusingUrl("/api/feedback"), unreachable},
        {server.url("/slow"), unreachable},
        {server.url("/endless"), {}},
        {server.url("/moved"), "Couldn't send right now. Please try again."}};
    for (const auto& [endpoint, error] : sends) {
        SCOPED_TRACE(endpoint.toString().toStdString());
        FeedbackForm form(world.clock, world.network, endpoint, "1.2 (3)", "Debian",
                          endpoint.path() == "/endless" ? 10min : 300ms);
        form.setMessage("Hello");
        form.send();
        ASSERT_TRUE(settled(form));
        EXPECT_EQ(form.errorText(), error);
        EXPECT_EQ(form.message(), "Hello");
    }
    EXPECT_EQ(world.log.count("Feedback not sent: %s"), 4);
}

// From the keyboard alone: Tab leaves the message instead of typing a tab there.
TEST(Feedback, TabLeavesTheMessageAndReachesEveryControl) {
    WindowWorld world;
    FeedbackWindow feedback(world.engine, world.clock, world.network,
                            QUrl("https://fadebin.example/api/feedback"));
    QQuickWindow* window = shown(feedback);
    ASSERT_NE(window, nullptr);
    click(window, "message");
    type(window, "Love it");
    const QStringList reached = tabThrough(window, 4);
    EXPECT_EQ(textOf(window, "message"), "Love it") << "no tab typed into the message";
    for (const char* control : {"email", "cancel", "send", "message"})
        EXPECT_TRUE(reached.contains(QString::fromUtf8(control)))
            << control << " in " << reached.join(' ').toStdString();
    EXPECT_EQ(tabThrough(window, 1, Qt::Key_Backtab), QStringList{reached[2]}) << "Shift+Tab";
}
