#pragma once
// 批量配置: many modules of one search at once, on the multi-module engine
// (fleet::BatchJob). The job holds the logic; the widgets show its rows and
// forward the operator's choices. The engine runs on the window's event
// loop: a precise single-shot timer armed for its next wake, and the
// window's socket handing over every datagram while the dialog is open.
//
// Window-modal and never exec()'d: no nested event loop.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/BatchPort.h"
#include "app/BatchSettingsChoice.h"
#include "device/AdapterRoute.h"
#include "fleet/BatchJob.h"
#include "fleet/ModuleSearch.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QTimer;

namespace lumiq {

class OperatorDialogs;
class PanelView;
class TcmSocket;

// The files the dialog asks for.
enum class BatchFile : unsigned char { WindowSettings, Profile, IdentityTable, Export };

struct BatchDialogServices {
    TcmSocket& socket;             // the window's, on port 5000
    std::vector<Adapter> adapters; // the host's
    // Where 搜索 goes out: the window's chosen adapters, or LocalIp's under 自动.
    std::vector<SearchRoute> searchRoutes;
    std::vector<fleet::FoundModule> modules; // the window's last search
    const PanelView& panel;                  // for 当前面板
    OperatorDialogs& boxes;                  // the window's notice queue
    // A path to read (or, for Export, to write); empty when the operator
    // cancels. Empty: a file dialog.
    std::function<QString(QWidget* parent, BatchFile which)> chooseFile{};
};

class BatchDialog : public QDialog {
    Q_OBJECT
public:
    BatchDialog(QWidget* parent, BatchDialogServices services);
    ~BatchDialog() override;

    // A datagram the window's socket received while the dialog is open.
    void onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, int length);

    const fleet::BatchJob& job() const { return *job_; }
    // A run or a search under way.
    bool working() const;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createWidgets();
    void guarded(const std::function<void()>& handler);
    fleet::Millis now() const;

    void search();
    void read();
    void preview();
    void write();
    void cancel();
    void exportTable();
    void sourceChosen(int index);
    void identityChosen(int index);
    void itemChanged(QTableWidgetItem* item);
    void wake();
    void afterSearch();

    void newJob(std::vector<fleet::FoundModule> modules);
    fleet::BatchSettings settings() const;
    QString chooseFile(BatchFile which);
    void rearm();
    void fillTable();
    void showRows();
    void enableControls();

    BatchDialogServices services_;
    BatchPort port_;
    QElapsedTimer clock_;
    std::unique_ptr<fleet::BatchJob> job_;
    bool searching_ = false; // the job's search is under way: the table is made anew at its end
    BatchChoice choice_;
    bool filling_ = false;    // the table is being written, not edited
    bool wasWorking_ = false; // a run or search was under way at the last handler's end

    QTableWidget* table_ = nullptr;
    QPushButton* checkAll_ = nullptr;
    QPushButton* checkNone_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* close_ = nullptr;
    QComboBox* source_ = nullptr;
    QLabel* sourceFile_ = nullptr;
    QComboBox* identity_ = nullptr;
    QLineEdit* startAddress_ = nullptr;
    QLineEdit* nameTemplate_ = nullptr;
    QLabel* tableFile_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* count_ = nullptr;
    QTimer* wake_ = nullptr;
};

} // namespace lumiq
