// What the user sees, pixel for pixel: every picture orvalinder-screenshots
// draws (remotes, click areas, IR Monitor, recorder, dialogs, toolbars and
// icons) against fingerprints of the pictures a person last approved. A change
// that moves one pixel fails here; if it was meant, look at the pictures this
// test leaves and approve them by running it with ORVALINDER_APPROVE_LOOKS=1.

#include <QCryptographicHash>
#include <QtTest>

namespace {

QByteArray fingerprint(const QString& file) {
    const QImage image = QImage(file).convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
    return hash.result().toHex();
}

// name.png -> fingerprint, one "name fingerprint" per line.
QMap<QString, QByteArray> readFingerprints(const QString& file) {
    QMap<QString, QByteArray> read;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return read;
    for (const QByteArray& line : in.readAll().split('\n'))
        if (const QList<QByteArray> words = line.split(' '); words.size() == 2)
            read.insert(QString::fromUtf8(words[0]), words[1]);
    return read;
}

}  // namespace

class LooksTest : public QObject {
    Q_OBJECT

private slots:
    void everyPictureLooksAsApproved() {
        const QString shots = QStringLiteral(ORVALINDER_LOOKS_SEEN);
        QDir(shots).removeRecursively();
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(ORVALINDER_SCREENSHOTS_TOOL), {shots});
        QVERIFY(tool.waitForFinished(60000) && tool.exitCode() == 0);

        QMap<QString, QByteArray> seen;
        for (const QString& name : QDir(shots).entryList({QStringLiteral("*.png")}, QDir::Files))
            seen.insert(name, fingerprint(QDir(shots).filePath(name)));
        // and what the dialogs hold beyond their pictures, as text
        for (const QString& name : QDir(shots).entryList({QStringLiteral("*.txt")}, QDir::Files)) {
            QFile text(QDir(shots).filePath(name));
            QVERIFY(text.open(QIODevice::ReadOnly));
            seen.insert(name, QCryptographicHash::hash(text.readAll(), QCryptographicHash::Sha256).toHex());
        }
        QVERIFY(seen.size() > 10);

        const QString approvedFile = QStringLiteral(ORVALINDER_LOOKS_APPROVED);
        if (qEnvironmentVariableIsSet("ORVALINDER_APPROVE_LOOKS")) {
            QFile out(approvedFile);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (auto it = seen.cbegin(); it != seen.cend(); ++it)
                out.write(it.key().toUtf8() + ' ' + it.value() + '\n');
            QSKIP("approved the pictures as they look now");
        }
        const QMap<QString, QByteArray> approved = readFingerprints(approvedFile);
        QStringList changed;
        for (const QString& name : seen.keys() + approved.keys())
            if (seen.value(name) != approved.value(name) && !changed.contains(name)) changed << name;
        QVERIFY2(changed.isEmpty(),
                 qPrintable(QStringLiteral("these look different from the approved ones (or are new, or gone): %1; "
                                           "they are in %2")
                                .arg(changed.join(QStringLiteral(", ")), shots)));
    }
};

QTEST_GUILESS_MAIN(LooksTest)
#include "looks_test.moc"
