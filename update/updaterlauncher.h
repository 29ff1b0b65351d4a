#pragma once

#include <QString>

// Starts the external updater program that downloads and installs a new
// version. AutoUpdate talks only to this interface; tests record the call.
class UpdaterLauncher {
public:
    virtual ~UpdaterLauncher() = default;
    // Starts the updater with `parameter` as its single argument. True when it started.
    virtual bool launch(const QString &parameter) = 0;
};

// "RGBZaldo;<tag>;<version>", the tag by language index: en, tc, sc, de, fr, ja, th;
// any other index en.
QString updaterParameter(int languageIndex, const QString &version);

// Runs "BrenvarUpdate" from the program's own directory, with that directory
// as working directory, and waits at most 3 s for it; a longer-running
// updater keeps running on its own (also after this program ends).
class ProcessUpdaterLauncher : public UpdaterLauncher {
public:
    static constexpr int kWaitMs = 3000;
    static const char kProgramName[];

    // An empty directory means QCoreApplication::applicationDirPath().
    explicit ProcessUpdaterLauncher(const QString &programDirectory = QString());

    QString programPath() const;
    bool launch(const QString &parameter) override;

private:
    QString m_dir;
};
