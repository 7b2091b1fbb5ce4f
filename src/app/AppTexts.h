#pragma once

#include "platform/DownloadsFolder.h"
#include "settings/Rule.h"

#include <QByteArray>
#include <QString>

#include <filesystem>

// The sentences the model tells its users (the notch, the bus, the command line), in one
// place so that each is written once and reads the same wherever it shows.
namespace fadebin::appTexts {

// Texts that also go on the bus or into the log are English there, whatever the locale, and
// in the user's language where people read them.
enum class Wording { shown, english };

// The user's-language form of one of this file's English texts (a refusal's reason as the bus
// carries it), or the text itself when it is none of them.
[[nodiscard]] QString shown(const QString& english);

// Why nothing is watched: Downloads is set to the root folder, or to the home folder.
[[nodiscard]] QString downloadsIsRoot(Wording wording = Wording::shown);
[[nodiscard]] QString downloadsIsHome(const std::filesystem::path& home,
                                      Wording wording = Wording::shown);
// The database could not be opened; error says why.
[[nodiscard]] QString databaseFailed(const QString& error, Wording wording = Wording::shown);
// Asked for something before the model has started (and with no startup error to tell).
[[nodiscard]] QString notStarted();

// The reason told for a path that names nothing Fadebin may act on, in English as the bus
// carries it; the reasons below are English too (shown() translates them).
[[nodiscard]] QString refusal(PathRefusal refusal);
// The same reason as a sentence of its own, first letter capitalised (the notch's notice).
[[nodiscard]] QString refusalSentence(PathRefusal refusal);
// A file that passed every check but still could not become a record.
[[nodiscard]] QString cannotBeTracked();
// Why a restore was refused.
[[nodiscard]] QString restoreOutside();
[[nodiscard]] QString nothingInTrash();
[[nodiscard]] QString placeTaken();
[[nodiscard]] QString nothingToUndo();

// The disk that holds Downloads is almost full and `bytes` of ours in the Trash could go: the
// notice's title and text, its button, and the notch's line that says both.
[[nodiscard]] QString lowSpaceTitle();
[[nodiscard]] QString lowSpaceText(qint64 bytes);
[[nodiscard]] QString freeButton(qint64 bytes);
[[nodiscard]] QString lowSpaceLine(qint64 bytes);

// What a rule covers, in words: "PDFs from example.org", ".iso files from *.debian.org" (the
// domain and its subdomains), "images". Plain text: where it is shown with names, the whole
// line goes through shownName once.
[[nodiscard]] QString ruleSubject(const Rule& rule);
// Offering to make a rule of the person's repeated choice: "Always keep PDFs from
// example.org for 1 day?"
[[nodiscard]] QString ruleOfferQuestion(const Rule& rule);
// What a rule did to a new download: "Kept for 1 day by your rule", "Kept by your rule".
[[nodiscard]] QString decidedByRuleTitle(ExpiryOption choice);

// The onboarding's sample file: its name in Downloads and what it says.
[[nodiscard]] QString sampleFileName();
[[nodiscard]] QByteArray sampleFileText();

} // namespace fadebin::appTexts
