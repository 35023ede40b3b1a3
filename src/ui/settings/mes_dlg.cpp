#include "ui/settings/mes_dlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <utility>

namespace varnet::ui {
namespace {

QPushButton* RowButton(QWidget* parent, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    // Enter in an input field must not fire whichever button was pressed last.
    button->setAutoDefault(false);
    return button;
}

QLineEdit* ResultField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    return field;
}

std::string Input(const QLineEdit* field) {
    return field->text().toStdString();
}

} // namespace

CMesDlg::CMesDlg(MesClient& mesClient, std::string sn, QWidget* parent)
    : QDialog(parent), client(mesClient), serialNumber(std::move(sn)) {
    setWindowTitle(QStringLiteral("MES SYSTEM"));

    stationIdField = new QLineEdit(this);
    checkRouteButton = RowButton(this, "CheckRoute");
    checkRouteResult = ResultField(this);
    nextStationField = new QLineEdit(this);
    save2NextButton = RowButton(this, "Save2NextStation");
    save2NextResult = ResultField(this);
    bindTypeField = new QLineEdit(this);
    bindValueField = new QLineEdit(this);
    bindButton = RowButton(this, "BindData");
    bindResult = ResultField(this);
    queryTypeField = new QLineEdit(this);
    queryButton = RowButton(this, "QueryData");
    queryResult = ResultField(this);
    exitButton = RowButton(this, "退出");

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const char* caption, QWidget* input, QPushButton* button, QLineEdit* result) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(input);
        grid->addWidget(label, row, 0);
        grid->addWidget(input, row, 1);
        grid->addWidget(button, row, 2);
        grid->addWidget(result, ++row, 1);
        ++row;
    };
    addRow("Station ID:", stationIdField, checkRouteButton, checkRouteResult);
    addRow("Save2Next Station:", nextStationField, save2NextButton, save2NextResult);

    auto* bindInputs = new QWidget(this);
    auto* bindLayout = new QHBoxLayout(bindInputs);
    bindLayout->setContentsMargins(0, 0, 0, 0);
    bindLayout->addWidget(bindTypeField);
    auto* valueLabel = new QLabel(QStringLiteral("Value:"), bindInputs);
    valueLabel->setBuddy(bindValueField);
    bindLayout->addWidget(valueLabel);
    bindLayout->addWidget(bindValueField);
    addRow("BindData:", bindInputs, bindButton, bindResult);

    grid->addWidget(new QLabel(QStringLiteral("Input the data type you want to query by S/N."), this), row++,
                    1);
    addRow("Type:", queryTypeField, queryButton, queryResult);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    setMinimumWidth(520);

    waitTimer.setSingleShot(true);
    connect(&waitTimer, &QTimer::timeout, this, &CMesDlg::OnWaitOver);
    connect(exitButton, &QPushButton::clicked, this, &CMesDlg::reject);
    connect(checkRouteButton, &QPushButton::clicked, this, [this] {
        RunRow(checkRouteButton, checkRouteResult,
               [this, station = Input(stationIdField)] { return client.CheckRoute(serialNumber, station); });
    });
    connect(save2NextButton, &QPushButton::clicked, this, [this] {
        RunRow(save2NextButton, save2NextResult, [this, next = Input(nextStationField)] {
            return client.Save2NextStation(serialNumber, next);
        });
    });
    connect(bindButton, &QPushButton::clicked, this, [this] {
        const std::string type = Input(bindTypeField);
        const std::string value = Input(bindValueField);
        if (type.empty() || value.empty()) {
            bindResult->setText(QString::fromUtf8(kMesEmptyBindInput));
            return;
        }
        RunRow(bindButton, bindResult,
               [this, type, value] { return client.BindData(serialNumber, type, value); });
    });
    connect(queryButton, &QPushButton::clicked, this, [this] {
        RunRow(queryButton, queryResult,
               [this, type = Input(queryTypeField)] { return client.QueryData(serialNumber, type); });
    });
    stationIdField->setFocus();
}

void CMesDlg::RunRow(QPushButton* button, QLineEdit* result, const Call& call) {
    if (Busy())
        return;
    // The old result must be gone from the screen before the library blocks
    // the thread, or it would read as the answer to this call.
    result->clear();
    result->repaint();
    busyResult = result;
    busyButton = button;
    SetButtonsEnabled(false);
    pendingText = QString::fromUtf8(MesClient::Shown(call()));
    waitTimer.start(waitMs);
}

void CMesDlg::OnWaitOver() {
    busyResult->setText(pendingText);
    QPushButton* pressed = busyButton;
    busyResult = nullptr;
    busyButton = nullptr;
    SetButtonsEnabled(true);
    pressed->setFocus();
}

void CMesDlg::SetButtonsEnabled(bool enabled) {
    for (QPushButton* button : {checkRouteButton, save2NextButton, bindButton, queryButton, exitButton})
        button->setEnabled(enabled);
}

void CMesDlg::reject() {
    if (!Busy())
        QDialog::reject();
}

void CMesDlg::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void RunMesDialog(MesClient& client, const QString& serialNumber, QWidget* parent) {
    CMesDlg dialog(client, serialNumber.toStdString(), parent);
    dialog.exec();
}

} // namespace varnet::ui
