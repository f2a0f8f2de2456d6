// The panel list: returned blocks turn into stimulator panels, sorted by
// device ID, stacked, and the window fitted to them.
#include "MainWindowFixture.h"
#include "RecordingPanel.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <limits>

using namespace Fixture;

namespace {

// The stimulator panel's fixed size and the status bar's height.
constexpr int PanelWidth = 468;
constexpr int PanelHeight = 367;
constexpr int StatusHeight = 19;

QSize ClientFor(int panels) { return {PanelWidth, PanelHeight * panels + StatusHeight}; }

void Apply(TForm1 &form, const std::vector<uint8_t> &block)
{
    form.CreateDeviceControls(
        DeviceBlock::TBlockView(block.data(), block.size(), StimulatorRecord::Size));
}

QList<int> PanelTops(const TForm1 &form)
{
    QList<int> tops;
    for (const auto &panel : form.DeviceFrames())
        tops.append(panel->y());
    return tops;
}

} // namespace

class TestPanelList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { form.reset(); }

    void firstBlockCreatesThenSorts();
    void sameDevicesAgain_data();
    void sameDevicesAgain();
    void vanishedDeviceLosesItsPanel();
    void noDeviceBringsGearsBack_data();
    void noDeviceBringsGearsBack();
    void smallerIDSortedToTop();
    void namesAndSignedOrder_data();
    void namesAndSignedOrder();
    void repeatedIDGivesOnePanel();
    void shortAndGarbageBlocks_data();
    void shortAndGarbageBlocks();
    void tallStackScrolls();
    void selectionReachesEveryPanel();

private:
    std::unique_ptr<TForm1> form;
};

void TestPanelList::init()
{
    V57Double::Reset();
    TRecordingPanel::Log.clear();
    form = std::make_unique<TForm1>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->size(), QSize(462, 276));
}

void TestPanelList::firstBlockCreatesThenSorts()
{
    Apply(*form, Block({{7, 70}, {3, 30}}));

    // Created in block order, each wired and placed before its first record.
    QCOMPARE(TRecordingPanel::Log,
             QStringList({"OnCreate 7", "SetDeviceState 7:70", "OnCreate 3", "SetDeviceState 3:30"}));
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7}));
    QCOMPARE(PanelTops(*form), QList<int>({0, PanelHeight}));
    QCOMPARE(form->findChild<TFGenericDeviceIntf *>("FDeviceFrame00000003"), Panel(*form, 3));
    QCOMPARE(form->findChild<TFGenericDeviceIntf *>("FDeviceFrame00000007"), Panel(*form, 7));
    QCOMPARE(form->size(), ClientFor(2));
    QCOMPARE(form->sbStatus->height(), StatusHeight);
    QVERIFY(form->imgSpinner->isHidden());
    QVERIFY(!form->tmrAnimate->isActive());
    QVERIFY(Panel(*form, 3)->isVisible());
}

void TestPanelList::sameDevicesAgain_data()
{
    QTest::addColumn<std::vector<TDevice>>("again");
    QTest::newRow("same order") << std::vector<TDevice>{{3, 31}, {7, 71}};
    QTest::newRow("other order") << std::vector<TDevice>{{7, 71}, {3, 31}};
}

void TestPanelList::sameDevicesAgain()
{
    QFETCH(std::vector<TDevice>, again);

    Apply(*form, Block({{7, 70}, {3, 30}}));
    const QList<TFGenericDeviceIntf *> panels = {Panel(*form, 3), Panel(*form, 7)};
    const QSize operatorSize(600, 500); // the operator's own choice, kept
    form->resize(operatorSize);
    TRecordingPanel::Log.clear();

    Apply(*form, Block(again));

    QStringList delivered;
    for (const TDevice &device : again)
        delivered.append(QStringLiteral("SetDeviceState %1:%2").arg(device.ID).arg(device.Demand));
    QCOMPARE(TRecordingPanel::Log, delivered);
    QCOMPARE(QList<TFGenericDeviceIntf *>({Panel(*form, 3), Panel(*form, 7)}), panels);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7}));
    QCOMPARE(PanelTops(*form), QList<int>({0, PanelHeight}));
    QCOMPARE(form->size(), operatorSize);
}

void TestPanelList::vanishedDeviceLosesItsPanel()
{
    Apply(*form, Block({{7}, {3}}));
    const QPointer<TFGenericDeviceIntf> gone = Panel(*form, 3);

    Apply(*form, Block({{7}}));

    QVERIFY(gone.isNull());
    QCOMPARE(PanelIDs(*form), QList<int32_t>({7}));
    QCOMPARE(PanelTops(*form), QList<int>({0}));
    QCOMPARE(form->size(), ClientFor(1));
}

void TestPanelList::noDeviceBringsGearsBack_data()
{
    QTest::addColumn<std::vector<uint8_t>>("block");
    QTest::newRow("empty block") << std::vector<uint8_t>(DeviceBlock::EmptyBlockSize, 0);
    std::vector<uint8_t> negative = Block({{7}, {3}});
    DeviceBlock::WriteInt32(negative.data(), -2);
    QTest::newRow("negative count") << negative;
}

void TestPanelList::noDeviceBringsGearsBack()
{
    QFETCH(std::vector<uint8_t>, block);

    Apply(*form, Block({{7}, {3}}));
    Apply(*form, block);

    QVERIFY(form->DeviceFrames().empty());
    QVERIFY(form->findChildren<TFGenericDeviceIntf *>().isEmpty());
    QVERIFY(!form->imgSpinner->isHidden());
    QVERIFY(form->tmrAnimate->isActive());
    QCOMPARE(form->size(), ClientFor(2));
}

void TestPanelList::smallerIDSortedToTop()
{
    Apply(*form, Block({{7}}));
    TRecordingPanel::Log.clear();

    Apply(*form, Block({{7}, {3}}));

    QCOMPARE(TRecordingPanel::Log,
             QStringList({"SetDeviceState 7:0", "OnCreate 3", "SetDeviceState 3:0"}));
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7}));
    QCOMPARE(PanelTops(*form), QList<int>({0, PanelHeight}));
    QCOMPARE(form->size(), ClientFor(2));
}

void TestPanelList::namesAndSignedOrder_data()
{
    QTest::addColumn<QList<int32_t>>("ids");
    QTest::addColumn<QStringList>("names"); // in sorted order

    constexpr int32_t min = std::numeric_limits<int32_t>::min();
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    QTest::newRow("-1 before 5") << QList<int32_t>{5, -1}
                                 << QStringList{"FDeviceFrameFFFFFFFF", "FDeviceFrame00000005"};
    QTest::newRow("extremes") << QList<int32_t>{max, 0xABC, min}
                              << QStringList{"FDeviceFrame80000000", "FDeviceFrame00000ABC",
                                             "FDeviceFrame7FFFFFFF"};
}

void TestPanelList::namesAndSignedOrder()
{
    QFETCH(QList<int32_t>, ids);
    QFETCH(QStringList, names);

    std::vector<TDevice> devices;
    for (int32_t id : ids)
        devices.push_back({id});
    Apply(*form, Block(devices));

    QStringList shown;
    for (const auto &panel : form->DeviceFrames())
        shown.append(panel->objectName());
    QCOMPARE(shown, names);
}

void TestPanelList::repeatedIDGivesOnePanel()
{
    Apply(*form, Block({{5, 10}, {5, 20}}));

    QCOMPARE(PanelIDs(*form), QList<int32_t>({5}));
    QCOMPARE(TRecordingPanel::Log,
             QStringList({"OnCreate 5", "SetDeviceState 5:10", "SetDeviceState 5:20"}));
    QCOMPARE(form->size(), ClientFor(1));
}

// Panels 3 and 7 are shown when the block arrives. Only whole records inside
// the block count: for the removal pass as for the walk.
void TestPanelList::shortAndGarbageBlocks_data()
{
    QTest::addColumn<std::vector<uint8_t>>("block");
    QTest::addColumn<QList<int32_t>>("remaining");

    const auto withCount = [](std::vector<uint8_t> block, int32_t count, std::size_t size) {
        DeviceBlock::WriteInt32(block.data(), count);
        block.resize(size);
        return block;
    };
    const std::vector<uint8_t> three = Block({{3}, {7}, {9}});
    const std::size_t two = DeviceBlock::BlockSize(2, StimulatorRecord::Size);

    QTest::newRow("count 3, two records")
        << withCount(three, 3, two) << QList<int32_t>{3, 7};
    QTest::newRow("count 3, third record cut short")
        << withCount(three, 3, two + 51) << QList<int32_t>{3, 7};
    QTest::newRow("count 2, second record cut short")
        << withCount(three, 2, two - 1) << QList<int32_t>{3};
    QTest::newRow("count 2, extra bytes after") << withCount(three, 2, three.size())
                                                << QList<int32_t>{3, 7};
    QTest::newRow("count overflowing 32 bits")
        << withCount(three, 0x40000000, three.size()) << QList<int32_t>{3, 7, 9};
    QTest::newRow("largest count") << withCount(three, std::numeric_limits<int32_t>::max(), two)
                                   << QList<int32_t>{3, 7};
    QTest::newRow("smallest count")
        << withCount(three, std::numeric_limits<int32_t>::min(), three.size()) << QList<int32_t>{};
    QTest::newRow("header cut short") << withCount(three, 1, 3) << QList<int32_t>{};
    QTest::newRow("no bytes") << std::vector<uint8_t>{} << QList<int32_t>{};
}

void TestPanelList::shortAndGarbageBlocks()
{
    QFETCH(std::vector<uint8_t>, block);
    QFETCH(QList<int32_t>, remaining);

    Apply(*form, Block({{3}, {7}}));
    // A copy of exactly the block's bytes, so that a read past its end is caught.
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[block.size()]);
    std::copy(block.begin(), block.end(), exact.get());
    form->CreateDeviceControls(
        DeviceBlock::TBlockView(block.empty() ? nullptr : exact.get(), block.size(),
                                StimulatorRecord::Size));

    QCOMPARE(PanelIDs(*form), remaining);
}

// When the stack does not fit the screen's height (1080 here), the window is
// capped there and the panels scroll; when it fits again, the sizes are exact.
void TestPanelList::tallStackScrolls()
{
    auto *scroller = form->findChild<QScrollArea *>("scrPanels");
    QVERIFY(scroller);

    Apply(*form, Block({{1}, {2}, {3}}));

    const int available = form->screen()->availableGeometry().height()
                          - (form->frameGeometry().height() - form->height());
    QVERIFY(ClientFor(3).height() > available);
    QCOMPARE(form->height(), available);
    QVERIFY(form->frameGeometry().bottom() <= form->screen()->availableGeometry().bottom());
    QVERIFY(QTest::qWaitFor([&] { return scroller->verticalScrollBar()->isVisible(); }));
    QVERIFY(!scroller->horizontalScrollBar()->isVisible());
    QCOMPARE(scroller->viewport()->width(), PanelWidth);
    // Scrolled to the end, the last panel is whole in view.
    scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum());
    const TFGenericDeviceIntf *last = form->DeviceFrames().back().get();
    QCOMPARE(last->mapTo(scroller->viewport(), QPoint(0, last->height())).y(),
             scroller->viewport()->height());

    Apply(*form, Block({{1}, {2}}));

    QCOMPARE(form->size(), ClientFor(2));
    QVERIFY(QTest::qWaitFor([&] { return !scroller->verticalScrollBar()->isVisible(); }));
    QCOMPARE(PanelTops(*form), QList<int>({0, PanelHeight}));
    QCOMPARE(Panel(*form, 1)->mapTo(form.get(), QPoint(0, 0)), QPoint(0, 0));
}

void TestPanelList::selectionReachesEveryPanel()
{
    Apply(*form, Block({{7}, {3}}));
    TRecordingPanel::Log.clear();

    TFGenericDeviceIntf *sender = Panel(*form, 7);
    sender->OnDeviceSelect(sender);

    QCOMPARE(TRecordingPanel::Log, QStringList({"SelectDevice 3<-7", "SelectDevice 7<-7"}));
}

int main(int argc, char *argv[])
{
    // A 1920 x 1080 screen: two stimulator panels fit on it, three do not.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_SCREEN_1080);
    QApplication app(argc, argv);
    TestPanelList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_PanelList.moc"
