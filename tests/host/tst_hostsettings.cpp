// The host's settings for the server connection: the settings file and the command line,
// the command line winning, and a trust file that turns TLS on by itself.

#include "host/hostsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using dieta::host::HostSettings;

class tst_HostSettings : public QObject {
    Q_OBJECT

private slots:
    void serverTlsComesFromFileAndCommandLine_data();
    void serverTlsComesFromFileAndCommandLine();
    void trustFileWithoutAPathIsRefused();
};

void tst_HostSettings::serverTlsComesFromFileAndCommandLine_data() {
    QTest::addColumn<QStringList>("ini");       // key=value lines of dieta-host.ini
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<bool>("tls");
    QTest::addColumn<QString>("caFile");
    QTest::newRow("nothing: plain HTTP") << QStringList{} << QStringList{} << false << "";
    QTest::newRow("--tls: the system's authorities")
        << QStringList{} << QStringList{"--tls"} << true << "";
    QTest::newRow("--server-ca turns TLS on")
        << QStringList{} << QStringList{"--server-ca", "/etc/ca.crt"} << true << "/etc/ca.crt";
    QTest::newRow("file") << QStringList{"server/tls=true", "server/ca_file=/srv/ca.pem"}
                          << QStringList{} << true << "/srv/ca.pem";
    QTest::newRow("file's CA alone turns TLS on")
        << QStringList{"server/ca_file=/srv/ca.pem"} << QStringList{} << true << "/srv/ca.pem";
    QTest::newRow("command line over file")
        << QStringList{"server/ca_file=/srv/ca.pem"} << QStringList{"--server-ca", "/etc/ca.crt"}
        << true << "/etc/ca.crt";
}

void tst_HostSettings::serverTlsComesFromFileAndCommandLine() {
    QFETCH(QStringList, ini);
    QFETCH(QStringList, arguments);
    QFETCH(bool, tls);
    QFETCH(QString, caFile);
    QTemporaryDir folder;
    {
        QSettings file(folder.filePath("dieta-host.ini"), QSettings::IniFormat);
        for (const QString& line : ini)
            file.setValue(line.section('=', 0, 0), line.section('=', 1));
    }
    QString error;
    const auto settings =
        HostSettings::fromArguments(QStringList{"dieta-host"} + arguments, folder.path(), &error);
    QVERIFY2(settings, qPrintable(error));
    QCOMPARE(settings->serverTls, tls);
    QCOMPARE(settings->serverCaFile, caFile);
}

void tst_HostSettings::trustFileWithoutAPathIsRefused() {
    QString error;
    QVERIFY(!HostSettings::fromArguments({"dieta-host", "--server-ca"}, QDir::tempPath(), &error));
    QVERIFY(error.contains("--server-ca"));
}

QTEST_GUILESS_MAIN(tst_HostSettings)
#include "tst_hostsettings.moc"
