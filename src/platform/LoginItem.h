#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <filesystem>

namespace fadebin {

// Whether the program starts when the user logs in. An interface because the settings
// only need a status and a switch; the real service below works on real files.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    [[nodiscard]] virtual bool isEnabled() const = 0;
    // Registers (true) or unregisters (false) the program; the error says why it failed.
    [[nodiscard]] virtual Status setEnabled(bool enabled) = 0;
};

// The login item as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/fadebin.desktop.
// It is enabled when the entry exists and says neither Hidden=true nor
// X-GNOME-Autostart-enabled=false.
class AutostartLoginItem final : public LoginItemService {
public:
    // The standard entry, starting the installed program.
    AutostartLoginItem();
    AutostartLoginItem(std::filesystem::path entryFile, std::filesystem::path program);

    [[nodiscard]] static std::filesystem::path standardEntryPath();
    // This program when it runs as the installed binary, else the install prefix's copy:
    // test binaries and build-tree runs must not register themselves.
    [[nodiscard]] static std::filesystem::path installedProgram();
    // The program path as one Exec argument, quoted and escaped as desktop entries want it.
    [[nodiscard]] static QByteArray quotedExecArgument(const std::filesystem::path& program);

    [[nodiscard]] const std::filesystem::path& entryPath() const { return m_entry; }
    [[nodiscard]] bool isEnabled() const override;
    [[nodiscard]] Status setEnabled(bool enabled) override;

private:
    [[nodiscard]] QByteArray entryContents(bool enabled) const;

    std::filesystem::path m_entry;
    std::filesystem::path m_program;
};

} // namespace fadebin
