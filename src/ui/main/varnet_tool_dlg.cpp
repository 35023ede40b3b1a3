#include "ui/main/varnet_tool_dlg.h"

#include "results/station_outputs.h"
#include "varnet_version.h"

#include "engine/main_page.h"
#include "platform/disk_watcher.h"
#include "ui/captions.h"
#include "ui/controls/label.h"
#include "ui/dialogs/detail_info_dialog.h"
#include "ui/dialogs/log_info_dialog.h"
#include "ui/dialogs/scan_sn_dialog.h"
#include "ui/main/gui_call_queue.h"
#include "ui/main/port_tile.h"
#include "ui/main/qt_tile_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSocketNotifier>

namespace varnet::ui {
namespace {

// The column of controls right of the widest tile grid (8 x 104 + 7 x 4
// pixels from x = 8, or 4 x 212 + 3 x 4).
constexpr int kColumnLeft = 880;
constexpr int kColumnWidth = 136;

// Fields of the current-setting box without a caption number.
constexpr int kFlashIdField = 0;
constexpr int kMpFirmwareField = 1;
constexpr int kRdtFirmwareField = 2;
constexpr int kSerialField = 146;

QFont PageFont(int pixels, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

QString FromText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CVarnetToolDlg::CVarnetToolDlg(int uiLanguage, QWidget* parent)
    : QWidget(parent), uiLanguage_(uiLanguage), queue_(std::make_unique<GuiCallQueue>()) {
    setObjectName(QStringLiteral("mainPage"));
    setFont(PageFont(15, 400));
    pageView_ = std::make_unique<QtPageView>(*queue_, static_cast<PageWidgets&>(*this), this);
    tileView_ = std::make_unique<QtTileView>(*queue_, [this](int port, const TileState& state) {
        if (port >= 0 && port < static_cast<int>(tiles_.size()))
            tiles_[static_cast<size_t>(port)]->Show(state);
    });
    for (int p = 0; p < static_cast<int>(tiles_.size()); ++p) {
        auto* tile = new CPortTile(p, this);
        tile->hide();
        tiles_[static_cast<size_t>(p)] = tile;
    }
    BuildControls();
    BuildSettingBox();
    ApplyPageLanguage();
    ConnectControls();
}

CVarnetToolDlg::~CVarnetToolDlg() {
    // A page destroyed without a proper close still lets its runs end before
    // the views they talk to go.
    delete notifier_;
    notifier_ = nullptr;
    if (pageView_)
        pageView_->SetMainPage(nullptr);
    station_.reset();
}

MainPage* CVarnetToolDlg::Page() const {
    return station_ ? station_->page.get() : nullptr;
}

void CVarnetToolDlg::BuildControls() {
    runClock_ = new CLabel(QStringLiteral("00:00:00"), this);
    runClock_->SetFontName(QStringLiteral("Arial"))
        .SetFontSize(100)
        .SetFontBold(true)
        .SetFontItalic(true)
        .SetTextColor(Qt::black)
        .SetBkColor(Qt::white)
        .SetSunken(true)
        .SetBorder(true)
        .SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    runClock_->setGeometry(kColumnLeft, 8, kColumnWidth, 28);

    portsLabel_ = new QLabel(this);
    portsLabel_->setGeometry(kColumnLeft, 46, 56, 24);
    portCount_ = new QComboBox(this);
    portCount_->addItems({QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("24")});
    portCount_->setCurrentIndex(1);
    portCount_->setGeometry(kColumnLeft + 60, 44, kColumnWidth - 60, 26);

    mapLabel_ = new QLabel(this);
    mapLabel_->setGeometry(kColumnLeft, 78, 56, 24);
    map_ = new QComboBox(this);
    map_->setGeometry(kColumnLeft + 60, 76, kColumnWidth - 60, 26);

    configuration_ = new QComboBox(this);
    configuration_->setGeometry(kColumnLeft, 108, kColumnWidth, 26);
    configuration_->setObjectName(QStringLiteral("configuration"));

    slcLabel_ = new QLabel(QStringLiteral("SLC Buf:"), this);
    slcLabel_->setGeometry(kColumnLeft, 142, 60, 24);
    slcBuffer_ = new QComboBox(this);
    slcBuffer_->setGeometry(kColumnLeft + 60, 140, kColumnWidth - 60, 26);
    slcLabel_->hide();
    slcBuffer_->hide();

    lockCurrent_ = new QCheckBox(this);
    lockCurrent_->setGeometry(kColumnLeft, 176, kColumnWidth, 24);

    start_ = new QPushButton(this);
    start_->setFont(PageFont(22, 500));
    start_->setGeometry(kColumnLeft, 208, kColumnWidth, 48);
    refresh_ = new QPushButton(this);
    refresh_->setFont(PageFont(22, 500));
    refresh_->setGeometry(kColumnLeft, 264, kColumnWidth, 48);
    snScan_ = new QPushButton(this);
    snScan_->setGeometry(kColumnLeft, 320, kColumnWidth, 32);
    snScan_->hide();

    setting_ = new QPushButton(this);
    reset_ = new QPushButton(QStringLiteral("Reset"), this);
    english_ = new QRadioButton(QStringLiteral("English"), this);
    chinese_ = new QRadioButton(this);
    (uiLanguage_ == 1 ? chinese_ : english_)->setChecked(true);
    stationLabel_ = new QLabel(this);
    stationCombo_ = new QComboBox(this);
    stationCombo_->addItems({QStringLiteral("01_EraseAll"), QStringLiteral("02_RDT"),
                             QStringLiteral("03_RDTResult"), QStringLiteral("04_MP"),
                             QStringLiteral("05_ReMP"), QStringLiteral("06_ICT"),
                             QStringLiteral("07_UpdateFW"), QStringLiteral("08_Scan Bad")});
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{setting_, reset_, english_, chinese_, stationLabel_, stationCombo_})
        hidden->hide();

    // Enter on the page must not press a button behind the operator's back.
    for (QPushButton* button : {start_, refresh_, snScan_, setting_, reset_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void CVarnetToolDlg::BuildSettingBox() {
    settingBox_ = new QGroupBox(this);
    settingBox_->setGeometry(8, 4, 860, 150);
    settingBox_->setFont(PageFont(16, 600));
    const QFont fieldFont = PageFont(15, 400);

    stationName_ = new CLabel(settingBox_);
    stationName_->SetFontName(QStringLiteral("Arial"))
        .SetFontSize(140)
        .SetFontBold(true)
        .SetTextColor(Qt::red)
        .SetBkColor(Qt::white)
        .SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Three columns of caption and value; the station and the serial number
    // lead the first row. The firmware names are the longest values, so the
    // first two columns are the wide ones.
    struct Place {
        int key;
        int row;
        int column;
        const char* fixedCaption;
    };
    static constexpr Place kPlaces[] = {
        {139, 0, 0, nullptr},
        {kSerialField, 0, 2, nullptr},
        {140, 1, 0, nullptr},
        {141, 1, 1, nullptr},
        {kFlashIdField, 1, 2, "Flash ID:"},
        {142, 2, 0, nullptr},
        {143, 2, 1, nullptr},
        {145, 2, 2, nullptr},
        {kMpFirmwareField, 3, 0, "MP FW:"},
        {kRdtFirmwareField, 3, 1, "RDT FW:"},
        {144, 3, 2, nullptr},
    };
    constexpr int kColumnX[] = {10, 300, 590};
    constexpr int kCaptionWidth[] = {92, 92, 106}; // "Working Order:" is the widest
    constexpr int kColumnRight = 856;
    constexpr int kTop = 26, kRowHeight = 30, kGap = 6;
    for (const Place& place : kPlaces) {
        auto* caption = new QLabel(settingBox_);
        caption->setFont(fieldFont);
        if (place.fixedCaption)
            caption->setText(QString::fromLatin1(place.fixedCaption));
        const int x = kColumnX[place.column];
        const int right = place.column + 1 < 3 ? kColumnX[place.column + 1] - kGap : kColumnRight;
        const int y = kTop + place.row * kRowHeight;
        const int captionWidth = kCaptionWidth[place.column];
        caption->setGeometry(x, y, captionWidth, 26);
        QLabel* value = nullptr;
        if (place.key == 139) {
            // The station name runs on to the serial number's column.
            stationName_->setGeometry(x + captionWidth, y - 2, kColumnX[2] - kGap - x - captionWidth, 30);
        } else {
            value = new QLabel(settingBox_);
            value->setFont(fieldFont);
            value->setTextFormat(Qt::PlainText);
            value->setGeometry(x + captionWidth, y, right - x - captionWidth, 26);
        }
        fields_.push_back({place.key, caption, value});
    }
}

void CVarnetToolDlg::ApplyPageLanguage() {
    const int language = uiLanguage_;
    start_->setText(Caption(131, language));
    refresh_->setText(Caption(132, language));
    setting_->setText(Caption(133, language));
    chinese_->setText(Caption(134, language));
    settingBox_->setTitle(Caption(135, language));
    lockCurrent_->setText(Caption(204, language));
    stationLabel_->setText(Caption(182, language));
    snScan_->setText(Caption(171, language));
    for (const SettingField& field : fields_) {
        if (field.key >= 139 && field.key <= 145)
            field.caption->setText(Caption(field.key, language));
        else if (field.key == kSerialField)
            field.caption->setText(language == 1 ? Caption(146, language) : QStringLiteral("Start SN:"));
    }
    portsLabel_->setText(language == 1 ? QStringLiteral("端口数") : QStringLiteral("Ports"));
    mapLabel_->setText(language == 1 ? QStringLiteral("定port") : QStringLiteral("Map"));
    const int map = map_->currentIndex();
    const QSignalBlocker blocker(map_);
    map_->clear();
    if (language == 1)
        map_->addItems({QStringLiteral("默认"), QStringLiteral("锁Hub"), QStringLiteral("锁装置")});
    else
        map_->addItems({QStringLiteral("Default"), QStringLiteral("LockHub"), QStringLiteral("LockDev")});
    map_->setCurrentIndex(map < 0 ? 0 : map);
}

void CVarnetToolDlg::ConnectControls() {
    connect(start_, &QPushButton::clicked, this, [this] {
        if (MainPage* page = Page())
            page->Start();
    });
    connect(refresh_, &QPushButton::clicked, this, [this] {
        if (MainPage* page = Page())
            page->Refresh();
    });
    connect(lockCurrent_, &QCheckBox::clicked, this, [this](bool checked) {
        pageView_->NoteLockCurrentChecked(checked);
        if (MainPage* page = Page())
            page->ApplyLockCurrent();
    });
    // activated: the operator's choice only, never the engine filling a list.
    connect(portCount_, &QComboBox::activated, this, [this](int index) {
        if (MainPage* page = Page())
            page->ChangePortCount(index == 2 ? 24 : index == 1 ? 16 : 8);
    });
    connect(configuration_, &QComboBox::activated, this, [this](int index) {
        if (MainPage* page = Page())
            page->ChangeConfiguration(configuration_->itemText(index).toStdString());
    });
    connect(map_, &QComboBox::activated, this, [this](int index) {
        if (MainPage* page = Page())
            page->ChangeMap(static_cast<uint8_t>(index));
    });
    connect(slcBuffer_, &QComboBox::activated, this, [this](int index) {
        if (MainPage* page = Page())
            page->ChangeSlcBuffer(slcBuffer_->itemText(index).toStdString());
    });
    connect(snScan_, &QPushButton::clicked, this, &CVarnetToolDlg::OpenSnScan);
    for (CPortTile* tile : tiles_) {
        connect(tile, &CPortTile::StartClicked, this, [this](int port) {
            if (MainPage* page = Page())
                page->ClickTile(port);
        });
        connect(tile, &CPortTile::Selected, this, &CVarnetToolDlg::SelectTile);
        connect(tile, &CPortTile::DoubleClicked, this, &CVarnetToolDlg::OpenDetail);
        connect(tile, &CPortTile::RightClicked, this, &CVarnetToolDlg::OpenLog);
    }
}

bool CVarnetToolDlg::Start(StationStartOptions options, QString& fatalMessage, QString& detail) {
    options.view = pageView_.get();
    options.tileView = tileView_.get();
    options.uiLanguage = uiLanguage_;
    std::string fatal, cause;
    station_ = StartStation(options, fatal, cause);
    if (!station_) {
        fatalMessage = FromText(fatal);
        detail = FromText(cause);
        return false;
    }
    pageView_->SetMainPage(station_->page.get());
    // The view hands the message to the window's thread itself.
    RegisterStationOutputs(
        *station_->outputs,
        {options.appDir, station_->page->logDateFolder(), station_->page->ConfigurationText(), VARNET_VERSION,
         [view = pageView_.get()](const std::string& message) { view->ShowMessage(message); }});
    // What start-up told the views is on screen before the window shows.
    queue_->Drain();
    SelectSlcBuffer();
    StartDiskWatch(options.deviceRoot);
    return true;
}

void CVarnetToolDlg::StartDiskWatch(const std::filesystem::path& root) {
    watcher_ = std::make_unique<DiskWatcher>(root);
    // Without inotify the page still works; it just reacts to Refresh only.
    if (watcher_->Fd() < 0)
        return;
    notifier_ = new QSocketNotifier(watcher_->Fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CVarnetToolDlg::OnDiskEvents);
}

void CVarnetToolDlg::OnDiskEvents() {
    MainPage* page = Page();
    if (!page || !watcher_)
        return;
    // An arrival starts a port run, whose start waits pumping events; the
    // next batch must not be read inside that wait and overtake this one.
    notifier_->setEnabled(false);
    const std::vector<DiskChange> changes = watcher_->ReadChanges();
    for (const DiskChange& change : changes) {
        if (change.kind == DiskChange::Kind::Arrived)
            page->OnDiskArrival(change.path);
        else
            page->OnDiskRemoval(change.path);
    }
    if (notifier_)
        notifier_->setEnabled(true);
}

bool CVarnetToolDlg::PortRunsActive() const {
    MainPage* page = Page();
    return page && page->PortRunsActive();
}

void CVarnetToolDlg::StopStartingRuns() {
    stopping_ = true;
    if (MainPage* page = Page())
        page->StopStartingRuns();
    for (QWidget* control : std::initializer_list<QWidget*>{
             start_, refresh_, portCount_, map_, configuration_, slcBuffer_, lockCurrent_, snScan_})
        control->setEnabled(false);
    for (CPortTile* tile : tiles_)
        tile->setEnabled(false);
}

void CVarnetToolDlg::Shutdown() {
    // Once: the shutdown advances the serial number.
    if (!station_ || shutDown_)
        return;
    shutDown_ = true;
    // This may run inside the notifier's own handler (a wait that pumps
    // events), so the notifier goes later.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    watcher_.reset();
    StopStartingRuns();
    ShutdownStation(*station_);
    pageView_->SetMainPage(nullptr);
    // What the last runs told the views, shown before the window goes.
    queue_->Drain();
    for (int id : {kAnimationTimer, kClockTimer, kProgressTimer})
        pageView_->StopTimer(id);
}

void CVarnetToolDlg::SelectTile(int port) {
    selectedTile_ = port;
    for (CPortTile* tile : tiles_)
        tile->SetSelected(tile->Port() == port);
}

void CVarnetToolDlg::OpenDetail(int port) {
    MainPage* page = Page();
    if (!page)
        return;
    const auto p = static_cast<size_t>(port);
    const uint8_t code = page->portAction[p].load();
    // The record is copied for the dialog; while the port's worker is still
    // filling it (identify, a station, a flash-ID readout) a copy could tear,
    // so only a port at rest opens it.
    if (code == PORT_IDLE || !AcceptsRequest(code))
        return;
    auto* dialog = new CDetailInfoDlg(
        page->portResult[p], QStringLiteral("All Flash ID (Port %1):").arg(port + 1), uiLanguage_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CVarnetToolDlg::OpenLog(int port) {
    MainPage* page = Page();
    if (!page)
        return;
    const auto p = static_cast<size_t>(port);
    if (page->devices.portDriveNumber[p] == 0)
        return;
    SelectTile(port);
    const ST_PORT_RESULT& result = page->portResult[p];
    std::string shown = result.reportPath;
    const std::string appDir = page->appDir().string();
    if (!appDir.empty() && shown.starts_with(appDir))
        shown = "./" + shown.substr(appDir.size());
    const QString title = shown.empty()
                              ? QStringLiteral("Log [Port %1]").arg(port + 1)
                              : QStringLiteral("Log [Port %1] [%2]").arg(port + 1).arg(FromText(shown));
    auto* dialog = new CLogInfoDlg(title, result.reportPath, result.auxReportPath, uiLanguage_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CVarnetToolDlg::OpenSnScan() {
    MainPage* page = Page();
    if (!page)
        return;
    auto* dialog = new CScanSnDlg(page->appDir(), uiLanguage_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

std::filesystem::path CVarnetToolDlg::ConfigurationFile() const {
    const MainPage* page = Page();
    if (!page)
        return {};
    return page->appDir() / configuration_->currentText().toStdString();
}

QLabel* CVarnetToolDlg::SettingCaption(int field) const {
    for (const SettingField& f : fields_)
        if (f.key == field)
            return f.caption;
    return nullptr;
}

QString CVarnetToolDlg::SettingValueText(int field) const {
    if (field == 139)
        return stationName_->GetText();
    for (const SettingField& f : fields_)
        if (f.key == field && f.value)
            return f.value->text();
    return {};
}

// --- PageWidgets

void CVarnetToolDlg::ShowControlEnabled(PageControl control, bool enabled) {
    QWidget* widget = nullptr;
    switch (control) {
    case PageControl::Start:
        widget = start_;
        break;
    case PageControl::Setting:
        widget = setting_;
        break;
    case PageControl::Refresh:
        widget = refresh_;
        break;
    case PageControl::LockCurrent:
        widget = lockCurrent_;
        break;
    case PageControl::PortCount:
        widget = portCount_;
        break;
    case PageControl::Configuration:
        widget = configuration_;
        break;
    case PageControl::Station:
        widget = stationCombo_;
        break;
    case PageControl::Map:
        widget = map_;
        break;
    case PageControl::SlcBuffer:
        widget = slcBuffer_;
        break;
    case PageControl::English:
        widget = english_;
        break;
    case PageControl::Chinese:
        widget = chinese_;
        break;
    }
    if (!widget)
        return;
    // The last runs to end set the controls for their state; a closing page
    // keeps everything that would start or change a run off.
    if (stopping_ && enabled && widget != setting_ && widget != stationCombo_ && widget != english_ &&
        widget != chinese_)
        return;
    widget->setEnabled(enabled);
}

void CVarnetToolDlg::ShowLockCurrent(bool checked) {
    lockCurrent_->setChecked(checked);
}

void CVarnetToolDlg::ShowRunClock(const QString& text) {
    runClock_->SetText(text);
}

void CVarnetToolDlg::ShowOperatorMessage(const QString& text) {
    emit OperatorMessage(text);
    // Modal for the operator, but the page goes on: a worker's message must
    // not hold up the tiles of the other ports.
    auto* box = new QMessageBox(QMessageBox::NoIcon, window()->windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("operatorMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void CVarnetToolDlg::ShowSerialNumberValue(const QString& serialNumber) {
    for (const SettingField& field : fields_)
        if (field.key == kSerialField && field.value)
            field.value->setText(serialNumber);
}

void CVarnetToolDlg::ShowPortLayout(const PortLayout& layout, uint8_t mapType) {
    layout_ = layout;
    {
        const QSignalBlocker blocker(portCount_);
        portCount_->setCurrentIndex(layout.portCount == 24 ? 2 : layout.portCount == 16 ? 1 : 0);
    }
    {
        const QSignalBlocker blocker(map_);
        map_->setCurrentIndex(mapType <= 2 ? mapType : 0);
    }
    for (CPortTile* tile : tiles_)
        tile->hide();
    for (CPortTile* tile : tiles_) {
        if (tile->Port() >= static_cast<int>(layout.portCount))
            break;
        tile->Place(layout);
        tile->show();
    }
}

void CVarnetToolDlg::ShowSettingBox(const CurrentSetting& setting, int stationIndex) {
    stationName_->SetText(FromText(setting.testStation));
    const std::pair<int, const std::string*> values[] = {
        {140, &setting.controller},
        {141, &setting.flashType},
        {kFlashIdField, &setting.flashId},
        {142, &setting.ceNumber},
        {143, &setting.totalSize},
        {kMpFirmwareField, &setting.mpFirmware},
        {kRdtFirmwareField, &setting.rdtFirmware},
        {144, &setting.workingOrder},
        {145, &setting.modelName},
        {kSerialField, &setting.serialNumber},
    };
    for (const auto& [key, value] : values)
        for (const SettingField& field : fields_)
            if (field.key == key && field.value) {
                field.value->setText(FromText(*value));
                // A long firmware name is cut by its column; hovering shows it whole.
                field.value->setToolTip(field.value->text());
            }
    if (QLabel* caption = SettingCaption(kSerialField))
        caption->setText(FromText(setting.serialCaption));
    if (stationIndex >= 0 && stationIndex < stationCombo_->count()) {
        const QSignalBlocker blocker(stationCombo_);
        stationCombo_->setCurrentIndex(stationIndex);
    }
    snScan_->setVisible(setting.showSnScan);
    slcLabel_->setVisible(setting.showSlcBuffer);
    slcBuffer_->setVisible(setting.showSlcBuffer);
    if (setting.showSlcBuffer) {
        const QSignalBlocker blocker(slcBuffer_);
        slcBuffer_->clear();
        slcBuffer_->addItems({QStringLiteral("Auto"), QStringLiteral("0GB"), QStringLiteral("3GB"),
                              QStringLiteral("6GB"), QStringLiteral("12GB"), QStringLiteral("20GB"),
                              QStringLiteral("40GB")});
        SelectSlcBuffer();
    }
}

void CVarnetToolDlg::SelectSlcBuffer() {
    // During start-up the box is filled before the page is ours; Start()
    // selects again once it is.
    const MainPage* page = Page();
    if (!page || slcBuffer_->count() == 0)
        return;
    const int selected = static_cast<int>(page->StationConfig()->SLCPoolSizeSel);
    const QSignalBlocker blocker(slcBuffer_);
    slcBuffer_->setCurrentIndex(selected < slcBuffer_->count() ? selected : 0);
}

void CVarnetToolDlg::ShowConfigurationFiles(const std::vector<std::string>& files, int selected) {
    const QSignalBlocker blocker(configuration_);
    configuration_->clear();
    for (const std::string& file : files)
        configuration_->addItem(FromText(file));
    configuration_->setCurrentIndex(selected);
}

} // namespace varnet::ui
