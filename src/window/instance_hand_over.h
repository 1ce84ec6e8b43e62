#pragma once
// Only one copy of the program runs for a user: the newest copy asks every
// older copy started from an executable of the same file name to shut down
// through its own shut-down path, over a per-user local socket, and ends it
// the hard way only if it has not ended within the grace time.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace kestrelon {

class InstanceHandOver : public QObject {
    Q_OBJECT

public:
    // `exeName`: the program's executable file name (GetOwnExeName when empty).
    explicit InstanceHandOver(QString exeName = {}, QObject* parent = nullptr);
    ~InstanceHandOver() override;

    struct Result {
        int found = 0;        // older copies running
        int ended = 0;        // of those, ended by themselves in time
        int terminated = 0;   // ended the hard way
    };
    // Asks the older copies to shut down, waits up to graceMs for them to
    // end (serving events meanwhile), terminates the rest, then listens for
    // the requests of newer copies.
    Result TakeOver(int graceMs = 3000);

    // Runs when a newer copy asks this one to shut down (connect it to the
    // window's shut-down). Without one the application quits.
    std::function<void()> onShutdownRequested;

    // The per-user socket name of a program.
    static QString ServerName(const QString& exeName);

private:
    void serve();

    QString exeName_;
    QLocalServer* server_ = nullptr;
};

} // namespace kestrelon
