#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// The end of the session reaches a Linux program as SIGTERM, SIGHUP or SIGINT. The signal handler
// only writes to a pipe; the event loop reads it and emits Requested, so the program can close
// the normal way instead of dying in the middle of whatever it was doing.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool Install();

    // The session manager asks the program to end with an event rather than a signal: its request
    // counts as one.
    void Request();

    // Whether a termination signal has arrived since Install. Work that keeps the event loop
    // waiting (decoding a huge picture) asks this often and gives up, so that the program still
    // closes the normal way within a second.
    static bool Arrived();

signals:
    void Requested(int signalNumber);

private:
    void ReadPipe();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
