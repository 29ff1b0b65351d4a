#pragma once

#include <QString>

// Where the "start at log-on" entry lives. Linux: an XDG autostart desktop
// entry; a Windows backend would use the registry Run key.
class AutoStartStore {
public:
    virtual ~AutoStartStore() = default;
    // True when an entry exists and is switched on; *command is the program
    // path it starts.
    virtual bool read(QString *command) = 0;
    virtual bool write(const QString &programPath) = 0;
    virtual bool remove() = 0;
};

class XdgAutoStartStore : public AutoStartStore {
public:
    // Empty configHome: $XDG_CONFIG_HOME or ~/.config.
    explicit XdgAutoStartStore(const QString &configHome = QString());
    QString entryPath() const { return m_path; }
    bool read(QString *command) override;
    bool write(const QString &programPath) override;
    bool remove() override;

private:
    QString m_path;
};

// Makes the entry match the switch. An entry whose command ends with the
// program's file name counts as ours and is left as it is, wherever it points.
void setAutoRun(AutoStartStore &store, bool on, const QString &programPath);

// The mark in front of the tray's autorun action.
QString autoRunMark(bool on);
