#pragma once
// Tools > Find a code: for a device whose remote is lost. The user chooses
// the kind of device, the brand and the key; the program sends each
// candidate code in turn from the common brands' sets and any file the user
// adds, until the device reacts. "It worked" keeps the whole set of the
// code sent last as a remote of the library and links the picture's buttons
// to its keys by name, as an import does. Stop and Close keep nothing.
//
// The user is across the room, watching the device: the texts are big, and
// while a search runs Space pauses, the arrows step back and on, Enter says
// it worked and Esc stops, wherever the keyboard's focus is.

#include <QDialog>
#include <vector>

#include "codes/code_sets.h"
#include "core/platform.h"
#include "send/code_search.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace orvalinder {

class CFindCodeDlg : public QDialog {
    Q_OBJECT
public:
    // `commonSets` is the program's file of the common brands' sets, empty
    // when it was not found.
    CFindCodeDlg(Platform& platform, Sender& sender, RemoteKind picture, const QString& commonSets,
                 QWidget* parent = nullptr);
    ~CFindCodeDlg() override;

    // Adds a file's sets to those tried, explaining in a box what it could
    // not read.
    void addFile(const QString& path);

    const CodeSearch& search() const { return search_; }
    // "17 of 86: LG, NEC1 4, NEC:20DF10EF" (", also in 2 other sets" where it
    // is), as the dialog shows it, or what the dialog asks for.
    QString progress() const;
    // How many codes there are to try, and what could not be read.
    QString summary() const;
    // The library's remote "It worked" kept, or empty.
    QString keptRemote() const { return kept_; }

    QComboBox* kindBox() const { return kind_; }
    QComboBox* brandBox() const { return brand_; }
    QComboBox* keyBox() const { return key_; }
    QComboBox* keepBox() const { return keep_; }
    QDoubleSpinBox* intervalBox() const { return interval_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* workedButton() const { return worked_; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<codes::Candidate> candidates();
    void choiceChanged();
    void fillBrands();
    void startSearch();
    void stopSearch();
    void showStep();
    void showFailure(const QString& why);
    void itWorked();
    void showState();

    Platform& platform_;
    Sender& sender_;
    RemoteKind picture_;
    CodeSearch search_;
    std::vector<codes::CodeSet> sets_;
    std::vector<std::string> unreadable_;  // keys of the files that cannot be tried
    QString setsProblem_;                  // why the common sets are missing, or empty
    size_t candidateCount_ = 0;            // for the choices made
    QString kept_;

    QComboBox* kind_;
    QComboBox* brand_;
    QComboBox* key_;
    QDoubleSpinBox* interval_;
    QPushButton* addFile_;
    QLabel* choiceSummary_;
    QLabel* counter_;
    QLabel* setName_;
    QLabel* detail_;
    QLabel* keepLabel_;
    QComboBox* keep_;
    QPushButton* start_;
    QPushButton* pause_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* stop_;
    QPushButton* worked_;
    QPushButton* close_;
};

}  // namespace orvalinder
