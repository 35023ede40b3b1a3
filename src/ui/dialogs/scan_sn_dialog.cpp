#include "ui/dialogs/scan_sn_dialog.h"

#include "serial/scan_sn_store.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace varnet::ui {
namespace {

constexpr int kRowsPerColumn = 8;

QString Text(int uiLanguage, const char* english, const char* chinese) {
    return QString::fromUtf8(uiLanguage == 1 ? chinese : english);
}

} // namespace

CScanSnDlg::CScanSnDlg(const std::filesystem::path& appFolder, int language, QWidget* parent)
    : QDialog(parent), appDir(appFolder), uiLanguage(language) {
    setWindowTitle(Text(uiLanguage, "Scan SN(Bar Code):", "序号扫描(条形码):"));

    const ScanSerialNumbers stored = ReadScanSerialNumbers(appDir);
    auto* grid = new QGridLayout;
    for (int i = 0; i < kPortCount; ++i) {
        const int column = i / kRowsPerColumn;
        const int row = i % kRowsPerColumn;
        auto* label = new QLabel(QStringLiteral("Port %1:").arg(i + 1, 2, 10, QLatin1Char('0')), this);
        auto* field = new QLineEdit(QString::fromStdString(stored[static_cast<size_t>(i)]), this);
        field->setObjectName(QStringLiteral("port%1").arg(i + 1));
        label->setBuddy(field);
        grid->addWidget(label, row, column * 2);
        grid->addWidget(field, row, column * 2 + 1);
        fields[static_cast<size_t>(i)] = field;
    }

    clearButton = new QPushButton(Text(uiLanguage, "Clear", "清空"), this);
    saveButton = new QPushButton(Text(uiLanguage, "Save", "保存"), this);
    cancelButton = new QPushButton(Text(uiLanguage, "Cancel", "取消"), this);
    // A dialog would otherwise make its first button the default one, and
    // Enter in a field would press Clear; Enter is handled in keyPressEvent.
    for (QPushButton* button : {clearButton, saveButton, cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(clearButton, &QPushButton::clicked, this, &CScanSnDlg::OnClear);
    connect(saveButton, &QPushButton::clicked, this, &CScanSnDlg::OnSave);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    fields[0]->setFocus();
}

QLineEdit* CScanSnDlg::PortField(int portNumber) const {
    if (portNumber < 1 || portNumber > kPortCount)
        return nullptr;
    return fields[static_cast<size_t>(portNumber - 1)];
}

void CScanSnDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
        // A bar-code reader ends every scan with Enter: it moves on to the
        // next port's field (after the last, to Save) instead of closing the
        // dialog and losing what was scanned.
        for (size_t i = 0; i < fields.size(); ++i) {
            if (focusWidget() != fields[i])
                continue;
            if (i + 1 < fields.size()) {
                fields[i + 1]->setFocus();
                fields[i + 1]->selectAll();
            } else {
                SaveButton()->setFocus();
            }
            return;
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CScanSnDlg::OnClear() {
    for (QLineEdit* field : fields)
        field->clear();
}

void CScanSnDlg::OnSave() {
    ScanSerialNumbers values;
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = fields[i]->text().toStdString();
    const Status saved = WriteScanSerialNumbers(appDir, values);
    if (saved.ok()) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("Save success!"));
        return;
    }
    // The operator must not leave believing the numbers are stored: the
    // stations would number the drives from the old file.
    QMessageBox::warning(this, windowTitle(),
                         Text(uiLanguage, "Save failed!\n", "保存失败!\n") +
                             QString::fromStdString(saved.message()));
}

} // namespace varnet::ui
