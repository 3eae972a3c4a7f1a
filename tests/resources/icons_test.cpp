// orvalinder-icons, run as the packaging runs it: without a display, into an
// empty folder, it writes the program's icon in every hicolor size.

#include <QtTest>

class IconsToolTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(ORVALINDER_ICONS_TOOL), {folder.path()});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
    }

    void writesNothingElse() {
        QStringList written;
        QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) written << QDir(folder.path()).relativeFilePath(it.next());
        written.sort();
        QCOMPARE(written,
                 QStringList({"128x128/apps/orvalinder.png", "16x16/apps/orvalinder.png", "22x22/apps/orvalinder.png",
                              "24x24/apps/orvalinder.png", "256x256/apps/orvalinder.png", "32x32/apps/orvalinder.png",
                              "48x48/apps/orvalinder.png", "64x64/apps/orvalinder.png"}));
    }

    // Each size drawn at that size, on a transparent ground that shows
    // through in the corner the remote leaves free.
    void everySize_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) QTest::addRow("%d", size) << size;
    }
    void everySize() {
        QFETCH(int, size);
        const QImage image(folder.filePath(QStringLiteral("%1x%1/apps/orvalinder.png").arg(size)));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }

    void aWritableFolderIsRequired() {
        QProcess tool;
        tool.start(QStringLiteral(ORVALINDER_ICONS_TOOL), {});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains("usage: orvalinder-icons DIR"));
        const QString file = folder.filePath("16x16/apps/orvalinder.png");  // a file where a folder goes
        tool.start(QStringLiteral(ORVALINDER_ICONS_TOOL), {file});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardError().contains("cannot write " + file.toUtf8() + "/16x16/apps/orvalinder.png\n"));
    }

private:
    QTemporaryDir folder;
};

QTEST_GUILESS_MAIN(IconsToolTest)
#include "icons_test.moc"
