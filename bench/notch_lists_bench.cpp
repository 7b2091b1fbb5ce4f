// The notch's lists with many pending files: the real QML content in the real panel over a
// real model (a private home, the manual clock), offscreen, software rendering, no
// animations. Measured in process with the real steady clock:
//   1. opening the panel on N pending rows until its content is drawn (the first frame
//      grabbed once the rows are there);
//   2. one decision (the newest pending row, opened, decided) until the next frame is
//      rendered;
//   3. the confirmation card ending (the clock moved past it) until the frame shows the
//      lists again with the row gone.
// Goals: open <= 0.3 s; a decision's next frame <= 20 ms.
//
//   notch_lists_bench [pending rows=500] [rounds=7]
#include "ContentFixture.h"
#include "notch/SoftwareRendering.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace fadebin;
using namespace fadebin::test;
using SteadyClock = std::chrono::steady_clock;

namespace {

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One frame, as the window would draw it next.
void frame(ContentFixture& f) {
    nextTurn();
    [[maybe_unused]] const QImage picture = f.panel->grabWindow();
}

// Frames until the named item shows (at most a few), the time it took included.
bool framesUntil(ContentFixture& f, const QString& name) {
    for (int i = 0; i < 20; ++i) {
        frame(f);
        if (f.find(name) != nullptr)
            return true;
    }
    return false;
}

// The pending files, made while the panel stays collapsed (a new download would open it).
void seed(ContentFixture& f, int count) {
    const auto callback = std::exchange(f.model.onNewPendingFile, {});
    for (int i = 0; i < count; ++i) {
        const std::string name = "download " + std::to_string(i) + ".pdf";
        writeFile(f.file(name), "contents " + std::to_string(i));
        f.model.completionFilter().handleItemEvent(f.file(name));
    }
    f.clock.advance(std::chrono::milliseconds(1500));
    f.model.onNewPendingFile = callback;
    f.settle();
    // The lists follow a burst once per interval of their own.
    f.clock.advance(NotchViewModel::rowsInterval);
    f.settle();
}

// A chip the lists show: the second newest file's (the newest is the opened row, no chip).
QString shownChip(ContentFixture& f) {
    const QList<TrackedFile*> pending = f.model.pendingFiles();
    return QStringLiteral("pendingChip-") + pending.at(pending.size() - 2)->displayName();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 500;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    ContentFixture f;
    seed(f, rows + 2 * rounds);
    const qsizetype pending = f.model.pendingFiles().size();
    std::printf("notch lists, offscreen, software rendering: %lld pending rows\n",
                static_cast<long long>(pending));
    if (pending < rows + 2 * rounds) {
        std::fprintf(stderr, "notch_lists_bench: only %lld pending files\n",
                     static_cast<long long>(pending));
        return 1;
    }

    // 1. Opening.
    std::vector<double> opening;
    for (int i = 0; i < rounds; ++i) {
        f.controller->collapse();
        f.settle();
        const QString last = shownChip(f);
        const auto start = SteadyClock::now();
        f.controller->expand(false);
        if (!framesUntil(f, last)) {
            std::fprintf(stderr, "notch_lists_bench: the rows did not show\n");
            return 1;
        }
        opening.push_back(secondsSince(start));
    }
    std::printf(
        "open panel -> content drawn (%d pending files, at most %d rows shown): median %.3f s, "
        "max %.3f s  [<= 0.3 s %s]\n",
        rows, static_cast<int>(NotchViewModel::shownRowLimit), median(opening),
        *std::max_element(opening.begin(), opening.end()),
        median(opening) <= 0.3 ? "met" : "MISSED");

    // 2. and 3. Decisions, one at a time, the newest row each time (the panel shows the newest).
    std::vector<double> deciding;
    std::vector<double> calls;
    std::vector<double> idleFrames;
    std::vector<double> returning;
    for (int i = 0; i < rounds; ++i) {
        TrackedFile* first = f.model.pendingFiles().back();
        const QString id = first->id().toString(QUuid::WithoutBraces);
        f.view().selectPending(id);
        f.settle();
        auto start = SteadyClock::now();
        frame(f);
        idleFrames.push_back(secondsSince(start));
        start = SteadyClock::now();
        f.view().decidePending(id, QStringLiteral("oneHour"));
        calls.push_back(secondsSince(start));
        frame(f);
        deciding.push_back(secondsSince(start));
        if (first->status() != FileStatus::scheduled) {
            std::fprintf(stderr, "notch_lists_bench: the decision was not taken\n");
            return 1;
        }
        f.clock.advance(NotchController::confirmationDuration);
        const QString next = shownChip(f);
        const auto back = SteadyClock::now();
        if (!framesUntil(f, next)) {
            std::fprintf(stderr, "notch_lists_bench: the lists did not come back\n");
            return 1;
        }
        returning.push_back(secondsSince(back));
        f.settle();
    }
    std::printf("decide one row -> next frame: median %.4f s, max %.4f s  [<= 0.02 s %s]\n",
                median(deciding), *std::max_element(deciding.begin(), deciding.end()),
                median(deciding) <= 0.02 ? "met" : "MISSED");
    std::printf("  of which the call (model, view model, bindings): median %.4f s;"
                " a frame with nothing changed: median %.4f s\n",
                median(calls), median(idleFrames));
    std::printf("confirmation ends -> lists drawn again: median %.4f s, max %.4f s\n",
                median(returning), *std::max_element(returning.begin(), returning.end()));

    // 4. The same decision with the panel collapsed: the model and the view model's lists
    //    alone, no QML; what the application model's decision costs by itself.
    f.controller->collapse();
    f.settle();
    std::vector<double> collapsed;
    for (int i = 0; i < rounds; ++i) {
        TrackedFile* first = f.model.pendingFiles().front();
        const auto start = SteadyClock::now();
        f.model.decide(first, ExpiryOption::oneHour);
        collapsed.push_back(secondsSince(start));
    }
    std::printf("decide one row, panel collapsed (model + lists, no QML): median %.4f s\n",
                median(collapsed));
    return 0;
}
