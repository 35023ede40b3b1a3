// Asks for the station folder when the program found none (no --dir, no
// station beside the executable, none remembered): a folder chosen with
// "Browse...", or an empty one made into a demo station with "Create a demo
// station here" when the simulated station's tool is installed. OK only for a
// folder that holds a station. Modal use: exec(); interface thread.
#pragma once

#include <QDialog>

#include <filesystem>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnet::ui {

class CStationFolderDlg : public QDialog {
    Q_OBJECT
public:
    // demoTool: varnet-sim, or empty when the demo is not installed.
    CStationFolderDlg(int uiLanguage, std::filesystem::path demoTool, QWidget* parent = nullptr);

    std::filesystem::path Folder() const;
    void SetFolder(const QString& folder);
    // Writes a demo station into the (empty) folder; false with the tool's
    // complaint shown on the dialog.
    bool CreateDemoStation();

    QPushButton* DemoButton() const { return demoButton_; }
    QPushButton* OkButton() const { return okButton_; }
    QLabel* StateLabel() const { return stateLabel_; }

private:
    void UpdateState();

    int language_;
    std::filesystem::path demoTool_;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* demoButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QLabel* stateLabel_ = nullptr;
};

} // namespace varnet::ui
