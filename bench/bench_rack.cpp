// A rack at radio rates, measured: ten plots of two graphs each, every
// graph bound to a field of the sample power switch telemetry 0x480
// feeders_state with a cap of 3000 points, fed with records until every
// graph holds its cap plus one, then further records in the steady state
// (one point dropped and one added per graph and record).
//
// Prints (a) records and points per second through slotNewData and (b) the
// time of one replot of the whole rack at 1200 x 800, offscreen, with the
// library's adaptive sampling on (its default) and off.
//
// Targets: at least 500,000 points per second on one core; a replot under
// 25 ms, half of the rack's 50 ms tick.
#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace
{
constexpr int kPlots = 10;
constexpr int kGraphsPerPlot = 2;
constexpr double kCap = 3000;
constexpr int kSteadyRecords = 200000;
constexpr int kReplots = 40;
constexpr qint64 kStart = 1700000000000;

std::unique_ptr<OstrelTableRecord> feedersRecord(TreeModel *tree, int i)
{
    std::unique_ptr<OstrelTableRecord> rec(new OstrelTableRecord);
    QByteArray bytes(4, '\0');
    for (int b = 0; b < 4; ++b)
        bytes[b] = char((i * 37 + b * 11) & 0xFF);
    tag_ostrel_message msg{0x480, 0x7, 0x1, 4, reinterpret_cast<uint8_t *>(bytes.data())};
    rec->copyOstrelMessage(&msg);
    rec->data = bytes;
    rec->fillFromOstrelMsg(tree);
    return rec;
}

double replotMs(InstrumentRackSwatch &rack)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kReplots; ++i)
        for (QWidget *w : rack.plots)
            static_cast<DvnCustomPlot *>(w)->replot(QCustomPlot::rpImmediateRefresh);
    return t.nsecsElapsed() / 1e6 / kReplots;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    OstrelDataModel dataModel;
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    TreeModel tree(&dataModel, &noMapFiles);
    TreeItem *item = tree.findDevMsg(0x7, 0x480);
    if (!item) {
        std::fprintf(stderr, "run from the source root: resources/ lacks 0x480 of device 7\n");
        return 1;
    }

    InstrumentRackSwatch rack(QStringLiteral("bench"));
    rack.setTreeModel(&tree);
    unsigned int field = 1;
    for (int p = 0; p < kPlots; ++p) {
        CustomPlotSettings s;
        s.title = QStringLiteral("Plot %1").arg(p + 1);
        s.xName = QStringLiteral("Time, ms");
        s.yName = QStringLiteral("Value");
        s.xMin = kStart;
        s.xMax = kStart + 60000;
        s.yMax = 2;
        s.maxPoints = kCap;
        s.legend = true;
        DvnCustomPlot *plot = rack.addCustomPlot(s);
        for (int g = 0; g < kGraphsPerPlot; ++g)
            rack.addGraphFromField(plot, item, field++);
    }

    std::vector<std::unique_ptr<OstrelTableRecord>> ring;
    for (int i = 0; i < 64; ++i)
        ring.push_back(feedersRecord(&tree, i));

    qint64 ms = kStart;
    auto feed = [&](int count) {
        for (int i = 0; i < count; ++i) {
            OstrelTableRecord *rec = ring[size_t(i) % ring.size()].get();
            rec->created = QDateTime::fromMSecsSinceEpoch(ms += 20, Qt::UTC);
            rack.slotNewData(rec);
        }
    };
    feed(int(kCap) + 1);
    const int graphs = kPlots * kGraphsPerPlot;

    QElapsedTimer t;
    t.start();
    feed(kSteadyRecords);
    const double seconds = t.nsecsElapsed() / 1e9;
    const auto *first = static_cast<DvnCustomPlot *>(rack.plots.first())->graph(0);
    std::printf("graphs: %d, points per graph: %d (cap %.0f)\n", graphs, first->dataCount(), kCap);
    std::printf("slotNewData: %.0f records/s, %.0f points/s (%d records of %d points)\n",
                kSteadyRecords / seconds, kSteadyRecords * double(graphs) / seconds, kSteadyRecords,
                graphs);

    rack.resize(1200, 800);
    rack.show();
    QCoreApplication::processEvents();
    replotMs(rack); // first paint, layouts settle
    // As the data road leaves the axes (the last 10 s in view), then with
    // every held point in view, as after "Refresh plot".
    for (bool adaptive : {true, false}) {
        for (QWidget *w : rack.plots) {
            auto *plot = static_cast<DvnCustomPlot *>(w);
            for (int g = 0; g < plot->graphCount(); ++g)
                plot->graph(g)->setAdaptiveSampling(adaptive);
            plot->xAxis->setRange(double(ms) - 10000, double(ms));
        }
        const double window = replotMs(rack);
        for (QWidget *w : rack.plots)
            static_cast<DvnCustomPlot *>(w)->rescaleAxes(true);
        std::printf("replot at 1200x800, adaptive sampling %s: %.2f ms (last 10 s in view), "
                    "%.2f ms (all %d points in view)\n",
                    adaptive ? "on " : "off", window, replotMs(rack), first->dataCount());
    }
    return 0;
}
