#pragma once
// Only one copy of the program runs for a user: the newest copy asks every
// older copy started from an executable of the same file name to shut down
// through its own shut-down path, over a local socket of the user's, and
// ends it the hard way only when it does not answer.
//
// A copy that answers it is finishing a unit gets as long as a unit can
// take; one that answers it is closing gets a few seconds; one that does
// not answer at all (hung, or still starting) is ended after those seconds.
//
// The socket lives in $XDG_RUNTIME_DIR (the user's own folder), or, where
// that is not set, in the abstract namespace (nothing in the file system);
// never under a fixed name in /tmp, where another user could take the name
// first. Every connection is checked to come from the same user, both ways.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace kestrelon {

class InstanceHandOver : public QObject {
    Q_OBJECT

public:
    // `exeName`: the program's executable file name (GetOwnExeName when empty).
    explicit InstanceHandOver(QString exeName = {}, QObject* parent = nullptr);
    ~InstanceHandOver() override;

    struct Waits {
        int answerMs = 1000;   // for an older copy to answer the request
        int closeMs = 3000;    // for it to end (and the grace of one that did not answer)
        int unitMs = 0;        // on top, for a copy that is finishing a unit
    };
    struct Result {
        int found = 0;        // older copies running
        int ended = 0;        // of those, ended by themselves in time
        int terminated = 0;   // ended the hard way
        bool waitedForUnit = false;   // an older copy was finishing a unit
    };
    // Asks the older copies to shut down, waits for them to end (serving
    // events meanwhile), terminates the rest, then listens for the requests
    // of newer copies.
    Result TakeOver(const Waits& waits);

    // Runs when a newer copy asks this one to shut down (connect it to the
    // window's shut-down). Without one the application quits.
    std::function<void()> onShutdownRequested;
    // Whether a unit or an erase runs now: the answer tells the newer copy
    // to wait for it.
    std::function<bool()> busy;
    // Whether this copy is up (its window was activated), for "state".
    std::function<bool()> ready;
    // Told when the take-over starts waiting for an older copy to finish
    // its unit (the text says so), and when that wait is over.
    std::function<void(const QString& text)> waiting;
    std::function<void()> waitOver;

    // Stops listening and removes the socket (at shut-down).
    void stop();

    // Where the copies of a program meet: a path in $XDG_RUNTIME_DIR when
    // that is a folder of this user's that only they can enter, else a name
    // in the abstract namespace.
    struct Address {
        QString name;
        bool abstract = false;
    };
    static Address ServerAddress(const QString& exeName);
    // Whether the other end of a connected local socket runs as this user.
    static bool SameUser(qintptr socketDescriptor);

    // One request to the copy listening at `address`: "shut-down" or
    // "state". Its one-line answer ("closing", "busy", "ready",
    // "starting"), or empty when nobody of this user answered in time.
    static QString Ask(const Address& address, const QByteArray& request, int timeoutMs);

private:
    void serve();
    void answer(QLocalSocket* s);

    QString exeName_;
    QLocalServer* server_ = nullptr;
};

} // namespace kestrelon
