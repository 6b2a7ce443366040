#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "support_messages.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

CustomPlotSettings settings()
{
    CustomPlotSettings s;
    s.title = QStringLiteral("Currents");
    s.legend = true;
    s.xName = QStringLiteral("Time, ms");
    s.yName = QStringLiteral("mA");
    s.xMax = 60000;
    s.yMax = 10;
    return s;
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {QStringLiteral("(unreadable)")};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

} // namespace

class TestPlotExport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void picturesBySuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << "a.png"
                             << "a.png" << QByteArray("png");
        QTest::newRow("png upper case") << "b.PNG"
                                        << "b.PNG" << QByteArray("png");
        QTest::newRow("jpg") << "c.Jpg"
                             << "c.Jpg" << QByteArray("jpeg");
        QTest::newRow("bmp") << "d.bmp"
                             << "d.bmp" << QByteArray("bmp");
        QTest::newRow("pdf") << "e.pdf"
                             << "e.pdf" << QByteArray("pdf");
        QTest::newRow("jpeg is not known") << "f.jpeg"
                                           << "f.jpeg.png" << QByteArray("png");
        QTest::newRow("no suffix") << "g"
                                   << "g.png" << QByteArray("png");
    }
    void picturesBySuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QByteArray, format);
        InstrumentRackSwatch rack(QStringLiteral("Rack"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        plot->addCappedGraph()->addData(1000, 5);
        QVERIFY(plot->savePlotImage(dir.filePath(chosen)));
        const QString path = dir.filePath(written);
        QVERIFY(QFile::exists(path));
        if (format == "pdf") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(4), QByteArray("%PDF"));
        } else {
            QCOMPARE(QImageReader(path).format(), format);
        }
    }

    void textLineByLine()
    {
        InstrumentRackSwatch rack(QStringLiteral("Power"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QCPGraph *a = plot->addCappedGraph();
        a->setName(QStringLiteral("PSW: regular0_main - current"));
        a->addData(1700000000123.9, 0.1 + 0.2);
        a->addData(1700000001000.0, 1250000.25);
        a->addData(1699999999999.0, -7);
        QCPGraph *b = plot->addCappedGraph();
        b->setName(QStringLiteral("renamed")); // as a double-click on the legend does
        plot->titleElement()->setText(QStringLiteral("Other title"));
        plot->xAxis->setLabel(QStringLiteral("t"));

        const QString path = dir.filePath(QStringLiteral("data.csv"));
        MessageLog log;
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(plot->savePlotData(path));
        QVERIFY(plot->savePlotData(path));
        const QDateTime after = QDateTime::currentDateTime();

        const QStringList lines = readLines(path);
        const QStringList one{"", // the empty line under the header
                              "PSW: regular0_main - current - t;PSW: regular0_main - current - mA",
                              "23-11-14 22:13:19:999;-7",
                              "23-11-14 22:13:20:123;0.3",
                              "23-11-14 22:13:21:000;1.25e+06",
                              "renamed - t;renamed - mA"};
        QCOMPARE(lines.size(), 2 * 7 + 1);
        for (int at : {0, 7}) {
            const QString header = lines.at(at);
            QVERIFY2(header.startsWith(QStringLiteral("Plot Currents data from rack Power ")),
                     qPrintable(header));
            const QDateTime stamp = QDateTime::fromString(header.mid(header.size() - 19),
                                                          QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            QVERIFY(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after);
            QCOMPARE(lines.mid(at + 1, 6), one);
        }
        QCOMPARE(lines.last(), QString()); // every line ends with a line feed
        const QStringList messages{"D Plot data file created: " + path,
                                   "D Exported 3 points for graph \"PSW: regular0_main - current\"",
                                   "D Exported 0 points for graph \"renamed\"",
                                   "D Export plot data completed"};
        QCOMPARE(log.take(), messages + messages);

        // Without graphs only the header and the empty line are written.
        const QString bare = dir.filePath(QStringLiteral("bare.csv"));
        QVERIFY(rack.addCustomPlot(settings())->savePlotData(bare));
        QCOMPARE(readLines(bare).size(), 3);
        QCOMPARE(readLines(bare).mid(1), (QStringList{"", ""}));
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x"));
        QTest::newRow("text, no folder") << false << nowhere + ".csv"
                                         << "C Plot data file creation failed: " + nowhere + ".csv";
        QTest::newRow("text, disk full") << false << "/dev/full"
                                         << "W Plot data file /dev/full could not be written: ";
        QTest::newRow("picture, no folder")
            << true << nowhere << "W Plot picture " + nowhere + ".png could not be written: ";
    }
    void failuresAreReported()
    {
        QFETCH(bool, picture);
        QFETCH(QString, path);
        QFETCH(QString, message);
        InstrumentRackSwatch rack(QStringLiteral("Power"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        plot->addCappedGraph()->addData(1000, 5);
        MessageLog log;
        QVERIFY(!(picture ? plot->savePlotImage(path) : plot->savePlotData(path)));
        // Qt itself complains that /dev/full cannot seek to its end.
        const QStringList problems =
            log.take().filter(QRegularExpression(QStringLiteral("^[WC] Plot")));
        QVERIFY2(problems.size() == 1, qPrintable(problems.join('|')));
        QVERIFY2(problems.at(0).startsWith(message), qPrintable(problems.at(0)));
        // The reason follows the file name where the message gives one.
        if (message.endsWith(QLatin1String(": ")))
            QVERIFY2(problems.at(0).size() > message.size() + 2, qPrintable(problems.at(0)));
    }

    void dialogsProposeThePlotName()
    {
        InstrumentRackSwatch rack(QStringLiteral("Power"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QStringList seen;
        auto choose = [&](const QString &name) {
            onNextModal([&seen, name](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                if (!dialog)
                    return;
                seen << dialog->windowTitle()
                     << QFileInfo(dialog->selectedFiles().value(0)).fileName()
                     << dialog->nameFilters().join(QLatin1Char('|'));
                dialog->selectFile(name);
                QMetaObject::invokeMethod(dialog, "accept");
            });
        };
        choose(dir.filePath(QStringLiteral("chosen")));
        plot->savePlotToFile();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chosen.png"))));
        choose(dir.filePath(QStringLiteral("chosen.txt")));
        plot->savePlotToCSV();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chosen.txt"))));
        QCOMPARE(seen, (QStringList{"Choose a filename to save plot", "Currents",
                                    "PNG(*.png)|JPG(*.jpg)|PDF(*.pdf)|BMP(*.bmp)|All Files(*)",
                                    "Choose a filename to save plot", "Currents", "CSV(*.csv)"}));
    }
};

QTEST_MAIN(TestPlotExport)
#include "tst_plotexport.moc"
