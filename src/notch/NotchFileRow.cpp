#include "notch/NotchFileRow.h"

#include "notch/NotchViewModel.h"
#include "notch/SpokenTexts.h"

namespace fadebin {

NotchFileRow::NotchFileRow(TrackedFile* file, FileKind kind, NotchViewModel& view)
    : QObject(&view)
    , m_file(file)
    , m_view(view)
    , m_id(file->id().toString(QUuid::WithoutBraces))
    , m_kind(kind)
    , m_selection(view.initialOption()) {
    for (auto changed :
         {&TrackedFile::displayNameChanged, &TrackedFile::expiresAtChanged,
          &TrackedFile::sizeBytesChanged, &TrackedFile::sourceChanged, &TrackedFile::ruleChanged})
        connect(file, changed, this, &NotchFileRow::update);
    connect(&view, &NotchViewModel::tick, this, &NotchFileRow::update);
    connect(&view, &NotchViewModel::optionsChanged, this, &NotchFileRow::optionsChanged);
    update();
}

QString NotchFileRow::selection() const {
    return rawValue(m_selection);
}

QVariantList NotchFileRow::options() const {
    return m_view.optionsFor(m_file);
}

void NotchFileRow::setSelection(const QString& raw) {
    const std::optional<ExpiryOption> option = optionFromRaw(raw);
    if (!option || *option == m_selection)
        return;
    m_selection = *option;
    Q_EMIT selectionChanged();
    setPreview(deletionPreviewText(m_selection, m_view.now(), m_view.textContext()));
}

void NotchFileRow::setPreview(const QString& preview) {
    if (preview == m_preview)
        return;
    m_preview = preview;
    Q_EMIT previewChanged();
}

void NotchFileRow::setOpened(bool opened) {
    if (opened == m_opened)
        return;
    m_opened = opened;
    Q_EMIT openedChanged();
}

void NotchFileRow::update() {
    if (!m_file)
        return;
    const Instant now = m_view.now();
    const TextContext& texts = m_view.textContext();
    const QString name = m_file->displayName();
    const bool ruled = m_file->decidedByRule();
    const QString detail =
        pendingDetailText(m_file->expiresAt(), m_file->source(), m_file->sizeBytes(), now, texts);
    const QString remaining =
        m_file->expiresAt() ? countdownText(*m_file->expiresAt(), now) : QString();
    const QString shown = fadebin::shownName(name);
    const QString spoken =
        m_file->status() == FileStatus::pending
            ? spokenPendingName(shown, m_kind, m_file->source(), m_file->sizeBytes(), texts.locale)
            : spokenTrackedName(shown, m_kind, m_file->expiresAt(), now, ruled);
    if (name != m_name || detail != m_detail || remaining != m_remaining ||
        spoken != m_spokenName || ruled != m_ruled) {
        m_ruled = ruled;
        m_name = name;
        m_shownName = shown;
        m_detail = detail;
        m_remaining = remaining;
        m_spokenName = spoken;
        Q_EMIT textsChanged();
    }
    setPreview(deletionPreviewText(m_selection, now, texts));
}

} // namespace fadebin
