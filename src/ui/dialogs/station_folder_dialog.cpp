#include "ui/dialogs/station_folder_dialog.h"

#include "config/station_folder.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnet::ui {
namespace {

bool EmptyFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && std::filesystem::is_empty(folder, ec) && !ec;
}

} // namespace

CStationFolderDlg::CStationFolderDlg(int uiLanguage, std::filesystem::path demoTool, QWidget* parent)
    : QDialog(parent), language_(uiLanguage), demoTool_(std::move(demoTool)) {
    const bool zh = language_ == 1;
    setWindowTitle(zh ? QStringLiteral("VarnetTool - 工位文件夹")
                      : QStringLiteral("VarnetTool - Station folder"));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(zh ? QStringLiteral("请选择工位文件夹（配置文件、库、Log 与 Results 所在的文件夹）。")
                      : QStringLiteral("Choose the station folder: the folder with the configuration, "
                                       "the libraries, Log and Results."),
                   this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* row = new QHBoxLayout;
    folderEdit_ = new QLineEdit(this);
    folderEdit_->setMinimumWidth(420);
    auto* browse = new QPushButton(zh ? QStringLiteral("浏览...") : QStringLiteral("Browse..."), this);
    row->addWidget(folderEdit_);
    row->addWidget(browse);
    layout->addLayout(row);
    stateLabel_ = new QLabel(this);
    stateLabel_->setWordWrap(true);
    layout->addWidget(stateLabel_);
    demoButton_ = new QPushButton(
        zh ? QStringLiteral("在此创建演示工位") : QStringLiteral("Create a demo station here"), this);
    demoButton_->setVisible(!demoTool_.empty());
    layout->addWidget(demoButton_, 0, Qt::AlignLeft);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(folderEdit_, &QLineEdit::textChanged, this, [this] { UpdateState(); });
    connect(browse, &QPushButton::clicked, this, [this, zh] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, zh ? QStringLiteral("工位文件夹") : QStringLiteral("Station folder"), folderEdit_->text());
        if (!chosen.isEmpty())
            SetFolder(chosen);
    });
    connect(demoButton_, &QPushButton::clicked, this, [this] { (void)CreateDemoStation(); });
    UpdateState();
}

std::filesystem::path CStationFolderDlg::Folder() const {
    return std::filesystem::path(folderEdit_->text().trimmed().toStdString());
}

void CStationFolderDlg::SetFolder(const QString& folder) {
    folderEdit_->setText(folder);
}

bool CStationFolderDlg::CreateDemoStation() {
    if (demoTool_.empty() || !EmptyFolder(Folder()))
        return false;
    QProcess tool;
    tool.start(QString::fromStdString(demoTool_.string()),
               {QStringLiteral("demo"), QString::fromStdString(Folder().string())});
    const bool ok =
        tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    UpdateState();
    if (!ok)
        stateLabel_->setText(QString::fromUtf8(tool.readAllStandardError()).trimmed());
    return ok && HoldsStation(Folder());
}

void CStationFolderDlg::UpdateState() {
    const bool zh = language_ == 1;
    const std::filesystem::path folder = Folder();
    const bool station = HoldsStation(folder);
    const bool empty = !folder.empty() && EmptyFolder(folder);
    okButton_->setEnabled(station);
    demoButton_->setEnabled(!demoTool_.empty() && empty);
    if (folder.empty())
        stateLabel_->setText(zh ? QStringLiteral("尚未选择文件夹。")
                                : QStringLiteral("No folder chosen yet."));
    else if (station)
        stateLabel_->setText(zh ? QStringLiteral("此文件夹包含一个工位。")
                                : QStringLiteral("This folder holds a station."));
    else if (empty)
        stateLabel_->setText(zh ? QStringLiteral("此文件夹为空。") : QStringLiteral("This folder is empty."));
    else
        stateLabel_->setText(zh ? QStringLiteral("此处没有工位（缺少 FlashInfo.dat）。")
                                : QStringLiteral("No station here (FlashInfo.dat is missing)."));
}

} // namespace varnet::ui
