// The "MES SYSTEM" dialog of the settings page's "SN Set" group: route check,
// move on to the next station, bind a value and query a value of one drive,
// through the MES client library.
//
// Promises:
// - The S/N is the one handed over when the dialog is made (the "SN Start:"
//   text as it stood when the operator pressed "MES"); later edits of that
//   field do not reach it.
// - A row's button empties the row's result at once, calls the library, then
//   waits WaitMs() (2000 ms) before it shows the success text or
//   "Function Fail!!". The wait runs on timers: the thread keeps painting its
//   windows, but while a call or its wait is going on the row buttons are
//   disabled and "退出", Esc and the close box are refused, so no second call
//   starts and no result is lost.
// - The Bind row refuses an empty type or value with
//   "Couldn't input empty Type or Value!" at once, without calling the library.
//
// GUI thread only; the client is the caller's and must outlive the dialog.
#pragma once

#include "mes/mes_client.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

namespace varnet::ui {

class CMesDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultWaitMs = 2000;

    CMesDlg(MesClient& client, std::string serialNumber, QWidget* parent = nullptr);

    int WaitMs() const { return waitMs; }
    void SetWaitMs(int milliseconds) { waitMs = milliseconds; }
    // A call or its wait is going on.
    bool Busy() const { return busyResult != nullptr; }

    QLineEdit* StationIdField() const { return stationIdField; }
    QPushButton* CheckRouteButton() const { return checkRouteButton; }
    QLineEdit* CheckRouteResult() const { return checkRouteResult; }
    QLineEdit* NextStationField() const { return nextStationField; }
    QPushButton* Save2NextButton() const { return save2NextButton; }
    QLineEdit* Save2NextResult() const { return save2NextResult; }
    QLineEdit* BindTypeField() const { return bindTypeField; }
    QLineEdit* BindValueField() const { return bindValueField; }
    QPushButton* BindButton() const { return bindButton; }
    QLineEdit* BindResult() const { return bindResult; }
    QLineEdit* QueryTypeField() const { return queryTypeField; }
    QPushButton* QueryButton() const { return queryButton; }
    QLineEdit* QueryResult() const { return queryResult; }
    QPushButton* ExitButton() const { return exitButton; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using Call = std::function<std::optional<std::string>()>;

    void RunRow(QPushButton* button, QLineEdit* result, const Call& call);
    void OnWaitOver();
    void SetButtonsEnabled(bool enabled);

    MesClient& client;
    const std::string serialNumber;
    int waitMs = kDefaultWaitMs;
    QTimer waitTimer;
    QLineEdit* busyResult = nullptr;
    QPushButton* busyButton = nullptr;
    QString pendingText;

    QLineEdit* stationIdField;
    QPushButton* checkRouteButton;
    QLineEdit* checkRouteResult;
    QLineEdit* nextStationField;
    QPushButton* save2NextButton;
    QLineEdit* save2NextResult;
    QLineEdit* bindTypeField;
    QLineEdit* bindValueField;
    QPushButton* bindButton;
    QLineEdit* bindResult;
    QLineEdit* queryTypeField;
    QPushButton* queryButton;
    QLineEdit* queryResult;
    QPushButton* exitButton;
};

// Runs the dialog modally for serialNumber (the settings page's "SN Start:"
// text at the moment "MES" was pressed).
void RunMesDialog(MesClient& client, const QString& serialNumber, QWidget* parent);

} // namespace varnet::ui
