#include "intake/FileKind.h"

#include "settings/Rule.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QStringList>
#include <QUrl>

#include <array>
#include <string_view>
#include <unordered_map>

namespace fadebin {

namespace {

const std::unordered_map<std::string, FileKind>& extensionKinds() {
    static const std::unordered_map<std::string, FileKind> kinds = [] {
        std::unordered_map<std::string, FileKind> map;
        auto add = [&map](FileKind kind, std::initializer_list<const char*> extensions) {
            for (const char* ext : extensions)
                map.emplace(ext, kind);
        };
        add(FileKind::pdf, {"pdf"});
        add(FileKind::document, {"doc", "docx", "pages", "rtf", "odt"});
        add(FileKind::spreadsheet, {"xls", "xlsx", "numbers", "ods", "csv", "tsv"});
        add(FileKind::presentation, {"ppt", "pptx", "key", "odp"});
        add(FileKind::text, {"txt", "md", "markdown", "log"});
        add(FileKind::image, {"gif", "svg", "heic", "webp"});
        add(FileKind::archive, {"zip", "rar", "7z", "gz", "tgz", "bz2", "xz"});
        add(FileKind::package, {"dmg", "pkg", "mpkg", "iso", "app", "ipa", "apk", "exe", "msi"});
        add(FileKind::font, {"ttf", "otf", "woff", "woff2"});
        add(FileKind::link, {"torrent", "webloc", "url"});
        add(FileKind::data, {"json", "xml", "yaml", "yml", "plist", "toml", "sql", "sqlite", "db"});
        add(FileKind::code, {"sh", "zsh", "bash", "command"});
        add(FileKind::book, {"epub", "mobi"});
        return map;
    }();
    return kinds;
}

// shared-mime-info has no single ancestor for many of the families the kinds stand for, so
// each family is a short list of types; a type belongs to it when it is one of them or
// inherits from one.
bool isOrInherits(const QMimeType& type, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QString n = QString::fromLatin1(name);
        if (type.name() == n || type.inherits(n))
            return true;
    }
    return false;
}

bool nameStartsWith(const QMimeType& type, const char* prefix) {
    return type.name().startsWith(QLatin1String(prefix));
}

bool isJson(const QMimeType& type) {
    return isOrInherits(type, {"application/json"}) || type.name().endsWith(QLatin1String("+json"));
}

bool isArchive(const QMimeType& type) {
    const std::initializer_list<const char*> archives = {"application/zip",
                                                         "application/x-tar",
                                                         "application/gzip",
                                                         "application/x-bzip",
                                                         "application/x-bzip2",
                                                         "application/x-xz",
                                                         "application/x-7z-compressed",
                                                         "application/vnd.rar",
                                                         "application/x-rar",
                                                         "application/x-compress",
                                                         "application/x-lzma",
                                                         "application/zstd",
                                                         "application/x-zstd-compressed-tar",
                                                         "application/x-archive",
                                                         "application/x-cpio",
                                                         "application/x-lzip",
                                                         "application/x-lha",
                                                         "application/x-arj"};
    if (isOrInherits(type, archives)) {
        // Office and e-book formats are zip containers of one application, not archives.
        return !nameStartsWith(type, "application/vnd.") ||
               type.name() == QLatin1String("application/vnd.rar");
    }
    return false;
}

bool isSourceCode(const QMimeType& type) {
    if (isJson(type))
        return false;
    const QString name = type.name();
    if (name.startsWith(QLatin1String("text/x-")) && name.endsWith(QLatin1String("src")))
        return true;
    return isOrInherits(
        type,
        {"text/x-csrc",        "text/x-java",        "text/x-go",     "text/rust",
         "text/x-python",      "text/x-python3",     "text/x-kotlin", "text/x-swift",
         "text/x-csharp",      "text/x-haskell",     "text/x-scala",  "text/x-lua",
         "text/x-pascal",      "text/x-fortran",     "text/x-ocaml",  "text/x-erlang",
         "text/x-elixir",      "text/x-dsrc",        "text/x-vala",   "text/x-cmake",
         "text/x-makefile",    "text/css",           "text/x-scss",   "application/x-php",
         "application/x-ruby", "application/x-perl", "text/x-tcl",    "application/typescript",
         "application/x-m4"});
}

bool isScript(const QMimeType& type) {
    if (isJson(type))
        return false;
    return isOrInherits(type, {"application/x-shellscript", "application/javascript",
                               "text/javascript", "application/x-perl", "application/x-ruby",
                               "text/x-python", "application/x-php", "application/x-awk",
                               "application/x-csh", "text/x-tcl"});
}

bool isExecutable(const QMimeType& type) {
    // Scripts and JSON inherit application/x-executable in shared-mime-info; only
    // binaries count here.
    if (isJson(type) || type.inherits(QStringLiteral("text/plain")))
        return false;
    return isOrInherits(type, {"application/x-executable", "application/x-ms-dos-executable",
                               "application/x-msdownload", "application/x-msi",
                               "application/x-ms-shortcut", "application/x-sharedlib",
                               "application/x-pie-executable", "application/x-mach-binary"});
}

bool isApplicationPackage(const QMimeType& type) {
    return isOrInherits(
        type, {"application/vnd.debian.binary-package", "application/x-rpm",
               "application/x-appimage", "application/vnd.flatpak", "application/vnd.flatpak.ref",
               "application/x-redhat-package-manager", "application/vnd.android.package-archive",
               "application/x-java-jnlp-file", "application/x-desktop", "application/vnd.snap"});
}

bool isDiskImage(const QMimeType& type) {
    return isOrInherits(type, {"application/x-cd-image", "application/x-raw-disk-image",
                               "application/x-apple-diskimage", "application/x-qemu-disk",
                               "application/x-virtualbox-vdi", "application/x-vmdk"});
}

std::optional<FileKind> kindForContentType(const QMimeType& type) {
    const QString name = type.name();
    if (nameStartsWith(type, "image/") || isOrInherits(type, {"image/x-generic"}))
        return FileKind::image;
    if (nameStartsWith(type, "video/"))
        return FileKind::video;
    if (nameStartsWith(type, "audio/"))
        return FileKind::audio;
    if (isArchive(type))
        return FileKind::archive;
    if (isSourceCode(type) || isScript(type))
        return FileKind::code;
    if (name.contains(QLatin1String("spreadsheet")) || name.contains(QLatin1String("ms-excel")) ||
        isOrInherits(type, {"text/csv", "text/tab-separated-values"}))
        return FileKind::spreadsheet;
    if (name.contains(QLatin1String("presentation")) ||
        name.contains(QLatin1String("ms-powerpoint")))
        return FileKind::presentation;
    if (isOrInherits(type, {"application/pdf"}))
        return FileKind::pdf;
    if (nameStartsWith(type, "font/") || name.startsWith(QLatin1String("application/x-font")) ||
        name.startsWith(QLatin1String("application/font")))
        return FileKind::font;
    if (isDiskImage(type) || isApplicationPackage(type) || isExecutable(type))
        return FileKind::package;
    if (isJson(type))
        return FileKind::data;
    if (isOrInherits(type, {"application/xml", "text/xml"}) || name.endsWith(QLatin1String("+xml")))
        return FileKind::data;
    if (isOrInherits(type, {"application/x-plist", "application/x-bplist"}))
        return FileKind::data;
    if (nameStartsWith(type, "text/") || type.inherits(QStringLiteral("text/plain")))
        return FileKind::text;
    if (name == QLatin1String("inode/directory"))
        return FileKind::folder;
    return std::nullopt;
}

struct KindInfo {
    const char* icon;
    RgbColor tint;
};

constexpr std::array<KindInfo, fileKindCount> kindInfo = {{
    {"image01", {0.45, 1.0, 0.55}},
    {"video01", {0.72, 0.52, 1.0}},
    {"music-note01", {1.0, 0.5, 0.85}},
    {"archive01", {1.0, 0.9, 0.3}},
    {"package", {1.0, 0.6, 0.25}},
    {"pdf01", {1.0, 0.42, 0.42}},
    {"doc01", {0.4, 0.65, 1.0}},
    {"spreadsheet01", {0.3, 0.95, 0.75}},
    {"presentation01", {1.0, 0.75, 0.3}},
    {"text01", {0.85, 0.9, 1.0}},
    {"source-code", {0.25, 0.95, 1.0}},
    {"code-xml", {0.75, 1.0, 0.35}},
    {"text-font", {0.8, 0.75, 1.0}},
    {"link01", {0.5, 0.85, 1.0}},
    {"book01", {1.0, 0.7, 0.6}},
    {"folder01", {0.45, 0.75, 1.0}},
    {"file02", {0.75, 0.78, 0.82}},
}};

const std::unordered_map<QString, QString>& sourceAliases() {
    static const std::unordered_map<QString, QString> aliases = {
        {QStringLiteral("Google Chrome"), QStringLiteral("Chrome")},
        {QStringLiteral("Google Chrome Canary"), QStringLiteral("Chrome")},
        {QStringLiteral("Microsoft Edge"), QStringLiteral("Edge")},
        {QStringLiteral("Brave Browser"), QStringLiteral("Brave")},
        {QStringLiteral("Firefox"), QStringLiteral("Firefox")},
        {QStringLiteral("Safari"), QStringLiteral("Safari")},
        {QStringLiteral("Arc"), QStringLiteral("Arc")},
        {QStringLiteral("Opera"), QStringLiteral("Opera")},
        {QStringLiteral("Mail"), QStringLiteral("Mail")},
        {QStringLiteral("Messages"), QStringLiteral("Messages")},
        {QStringLiteral("Slack"), QStringLiteral("Slack")},
        {QStringLiteral("Telegram"), QStringLiteral("Telegram")},
    };
    return aliases;
}

} // namespace

FileKind classify(const std::string& fileName, bool isFolder) {
    if (isFolder)
        return FileKind::folder;
    const std::string ext = lowerExtension(fileName);
    if (ext.empty())
        return FileKind::other;
    if (auto known = extensionKinds().find(ext); known != extensionKinds().end())
        return known->second;
    static const QMimeDatabase database;
    const QList<QMimeType> types =
        database.mimeTypesForFileName(QStringLiteral("file.") + QString::fromUtf8(ext));
    if (types.isEmpty())
        return FileKind::other;
    return kindForContentType(types.front()).value_or(FileKind::other);
}

const char* iconName(FileKind kind) {
    return kindInfo.at(static_cast<std::size_t>(kind)).icon;
}

RgbColor tint(FileKind kind) {
    return kindInfo.at(static_cast<std::size_t>(kind)).tint;
}

std::optional<QString> parseQuarantineAgent(const QByteArray& value) {
    const QStringList fields = QString::fromUtf8(value).split(QLatin1Char(';'));
    if (fields.size() < 3)
        return std::nullopt;
    QString agent = fields.at(2);
    auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (!agent.isEmpty() && isBlank(agent.front()))
        agent.remove(0, 1);
    while (!agent.isEmpty() && isBlank(agent.back()))
        agent.chop(1);
    if (agent.isEmpty())
        return std::nullopt;
    return agent;
}

std::optional<QString> parseWhereFromHost(const QByteArray& value) {
    const QUrl url(QString::fromUtf8(value), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    QString host = url.host();
    if (host.startsWith(QLatin1String("www.")))
        host = host.mid(4);
    // "www." alone leaves nothing to name.
    if (host.isEmpty())
        return std::nullopt;
    return host;
}

std::optional<QString> parseOriginHost(const QByteArray& value) {
    const QUrl url(QString::fromUtf8(value), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https" && scheme != u"ftp"))
        return std::nullopt;
    return normalizedHost(url.host(QUrl::FullyDecoded));
}

std::optional<QString> originHost(const path& file) {
    auto value = readXattr(file, originUrlAttribute);
    if (!value || !value->has_value())
        return std::nullopt;
    return parseOriginHost(**value);
}

std::optional<QString> quarantineAgent(const path& file) {
    auto value = readXattr(file, quarantineAttribute);
    if (!value || !value->has_value())
        return std::nullopt;
    return parseQuarantineAgent(**value);
}

std::optional<QString> whereFromsHost(const path& file) {
    // Browsers on Linux record the download's address and the page it came from, in that
    // order, which together stand for the where-from list.
    for (const char* attribute : {originUrlAttribute, referrerUrlAttribute}) {
        auto value = readXattr(file, attribute);
        if (!value || !value->has_value())
            continue;
        if (auto host = parseWhereFromHost(**value))
            return host;
    }
    return std::nullopt;
}

std::optional<QString> sourceName(const path& file) {
    const std::optional<QString> agent = quarantineAgent(file);
    if (agent && agent->toLower().contains(QLatin1String("sharingd")))
        return QStringLiteral("AirDrop");
    if (auto host = whereFromsHost(file))
        return host;
    if (agent) {
        auto alias = sourceAliases().find(*agent);
        return alias != sourceAliases().end() ? alias->second : *agent;
    }
    return std::nullopt;
}

} // namespace fadebin
