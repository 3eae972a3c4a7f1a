#pragma once
// `orvalinder --import FILE` while the program runs: the program started
// second hands the file to the one running and ends, so the codes land in
// the window the user already has. The running program listens on a local
// socket only the user can reach.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace orvalinder {

class ImportHandover : public QObject {
    Q_OBJECT
public:
    // Where the running program listens for the current user.
    static QString defaultAddress();

    // Hands the file (made absolute) to the program listening at `address`;
    // false when none takes it.
    static bool handOver(const QString& path, const QString& address = defaultAddress());

    // Listens at `address`; false when another program already does.
    bool listen(const QString& address = defaultAddress());

signals:
    void importRequested(const QString& path);

private:
    void takeConnection();

    QLocalServer server_;
};

}  // namespace orvalinder
