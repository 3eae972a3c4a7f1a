#include "app/dialogs/find_code_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace orvalinder {

namespace {

const QString kSetFilesFilter = QStringLiteral(
    "Codes (*.conf *.lircd *.ir *.csv);;LIRC remotes (*.conf *.lircd);;Flipper files (*.ir);;IRDB files (*.csv);;"
    "All files (*)");

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

// What the board is told, as its LED's code: "NEC:20DF10EF".
QString codeOf(const codes::Candidate& candidate) {
    QString press = text(candidate.press).section('\n', 0, 0);
    return press.startsWith(QLatin1String("!S")) ? press.mid(2) : press;
}

// A remote of the library is a lircd.conf whose names are single words.
std::string storedName(const codes::CodeSet& set) {
    if (set.brand.empty()) return set.remote.name;
    std::string name;
    for (const char c : set.brand + " " + set.remote.name)
        name += c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

void enlarge(QWidget* widget, double times, bool bold) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * times);
    font.setBold(bold);
    widget->setFont(font);
}

// The files' keys that cannot be tried, a few of them by name.
QString listed(const std::vector<std::string>& skipped) {
    constexpr size_t kShown = 20;
    QStringList lines;
    for (size_t i = 0; i < std::min(skipped.size(), kShown); ++i) lines << text(skipped[i]);
    if (skipped.size() > kShown) lines << QStringLiteral("... and %1 more").arg(skipped.size() - kShown);
    return lines.join('\n');
}

}  // namespace

CFindCodeDlg::CFindCodeDlg(Platform& platform, Sender& sender, RemoteKind picture, const QString& commonSets,
                           QWidget* parent)
    : QDialog(parent),
      platform_(platform),
      sender_(sender),
      picture_(picture == IrMonitor ? Panasonic : picture),
      search_(sender),
      kind_(new QComboBox(this)),
      brand_(new QComboBox(this)),
      key_(new QComboBox(this)),
      interval_(new QDoubleSpinBox(this)),
      addFile_(new QPushButton(QStringLiteral("&Add a file of codes..."), this)),
      choiceSummary_(new QLabel(this)),
      counter_(new QLabel(this)),
      setName_(new QLabel(this)),
      detail_(new QLabel(this)),
      keepLabel_(new QLabel(QStringLiteral("&Keep the set of:"), this)),
      keep_(new QComboBox(this)),
      start_(new QPushButton(QStringLiteral("&Start"), this)),
      pause_(new QPushButton(this)),
      back_(new QPushButton(QStringLiteral("◀ &Back"), this)),
      next_(new QPushButton(QStringLiteral("&Next ▶"), this)),
      stop_(new QPushButton(QStringLiteral("S&top"), this)),
      worked_(new QPushButton(QStringLiteral("It &worked"), this)),
      close_(new QPushButton(QStringLiteral("&Close"), this)) {
    setWindowTitle(QStringLiteral("Find a code"));

    const struct {
        const char* name;
        codes::DeviceKind kind;
    } kinds[] = {{"TV", codes::DeviceKind::Tv},
                 {"Set-top box", codes::DeviceKind::SetTopBox},
                 {"Projector", codes::DeviceKind::Projector},
                 {"Audio", codes::DeviceKind::Audio},
                 {"Air conditioner", codes::DeviceKind::AirConditioner}};
    for (const auto& k : kinds) kind_->addItem(QString::fromUtf8(k.name), int(k.kind));
    // An air conditioner's remote sends its whole state, never one key.
    auto* kindItems = qobject_cast<QStandardItemModel*>(kind_->model());
    kindItems->item(kind_->count() - 1)->setEnabled(false);
    kindItems->item(kind_->count() - 1)
        ->setToolTip(QStringLiteral("Air conditioners' remotes send their whole state, not a key: not yet."));
    const struct {
        const char* shown;
        const char* name;
    } keys[] = {{"Power", "KEY_POWER"}, {"Mute", "KEY_MUTE"}, {"Vol+", "KEY_VOLUMEUP"}, {"Ch+", "KEY_CHANNELUP"}};
    for (const auto& k : keys) key_->addItem(QString::fromUtf8(k.shown), QString::fromUtf8(k.name));
    interval_->setRange(CodeSearch::kShortestIntervalMs / 1000.0, CodeSearch::kLongestIntervalMs / 1000.0);
    interval_->setSingleStep(0.5);
    interval_->setDecimals(1);
    interval_->setSuffix(QStringLiteral(" s"));
    interval_->setValue(CodeSearch::kDefaultIntervalMs / 1000.0);

    auto* choices = new QFormLayout;
    choices->addRow(QStringLiteral("&Device:"), kind_);
    choices->addRow(QStringLiteral("B&rand:"), brand_);
    choices->addRow(QStringLiteral("K&ey to try:"), key_);
    choices->addRow(QStringLiteral("&One every:"), interval_);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(choiceSummary_, 1);
    fileRow->addWidget(addFile_);
    choices->addRow(fileRow);
    choiceSummary_->setWordWrap(true);

    // Read from across the room.
    enlarge(counter_, 3.0, true);
    enlarge(setName_, 2.0, false);
    enlarge(detail_, 1.3, false);
    enlarge(worked_, 1.6, true);
    for (QLabel* label : {counter_, setName_, detail_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    }
    counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("000 of 000")) * 5 / 4);
    setName_->setMinimumHeight(setName_->fontMetrics().lineSpacing() * 2);
    detail_->setMinimumHeight(detail_->fontMetrics().lineSpacing() * 2);
    keepLabel_->setBuddy(keep_);
    keep_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The row keeps its room while hidden: the buttons stay where they are.
    for (QWidget* w : {static_cast<QWidget*>(keepLabel_), static_cast<QWidget*>(keep_)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    auto* keepRow = new QHBoxLayout;
    keepRow->addStretch();
    keepRow->addWidget(keepLabel_);
    keepRow->addWidget(keep_);
    keepRow->addStretch();

    auto* steps = new QHBoxLayout;
    for (QPushButton* b : {start_, pause_, back_, next_, stop_}) steps->addWidget(b);
    auto* ends = new QHBoxLayout;
    ends->addWidget(worked_, 1);
    ends->addWidget(close_);
    worked_->setMinimumHeight(worked_->sizeHint().height() * 3 / 2);
    start_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addSpacing(12);
    layout->addWidget(counter_);
    layout->addWidget(setName_);
    layout->addWidget(detail_);
    layout->addLayout(keepRow);
    layout->addLayout(steps);
    layout->addLayout(ends);

    connect(kind_, &QComboBox::currentIndexChanged, this, [this] {
        fillBrands();
        choiceChanged();
    });
    connect(brand_, &QComboBox::currentIndexChanged, this, &CFindCodeDlg::choiceChanged);
    connect(key_, &QComboBox::currentIndexChanged, this, &CFindCodeDlg::choiceChanged);
    connect(interval_, &QDoubleSpinBox::valueChanged, this,
            [this](double seconds) { search_.setInterval(int(seconds * 1000 + 0.5)); });
    connect(addFile_, &QPushButton::clicked, this, [this] {
        const QString path = platform_.files.openFile(this, QStringLiteral("Add a file of codes"), kSetFilesFilter);
        if (!path.isEmpty()) addFile(path);
    });
    connect(start_, &QPushButton::clicked, this, &CFindCodeDlg::startSearch);
    connect(pause_, &QPushButton::clicked, &search_, &CodeSearch::togglePause);
    connect(back_, &QPushButton::clicked, &search_, &CodeSearch::back);
    connect(next_, &QPushButton::clicked, &search_, &CodeSearch::next);
    connect(stop_, &QPushButton::clicked, this, &CFindCodeDlg::stopSearch);
    connect(worked_, &QPushButton::clicked, this, &CFindCodeDlg::itWorked);
    connect(close_, &QPushButton::clicked, this, &CFindCodeDlg::reject);
    connect(&search_, &CodeSearch::stepped, this, &CFindCodeDlg::showStep);
    connect(&search_, &CodeSearch::pausedChanged, this, &CFindCodeDlg::showState);
    connect(&search_, &CodeSearch::reachedEnd, this,
            [this] { detail_->setText(QStringLiteral("That was the last. Step back to try one again, or Stop.")); });
    connect(&search_, &CodeSearch::failed, this, &CFindCodeDlg::showFailure);

    if (commonSets.isEmpty()) {
        setsProblem_ = QStringLiteral("The common brands' code sets were not found beside the program.");
    } else {
        try {
            sets_ = codes::readCodeSetFile(commonSets.toStdString(), unreadable_);
        } catch (const codes::CodesError& e) {
            setsProblem_ = QStringLiteral("The common brands' code sets can't be read: %1").arg(text(e.what()));
        }
    }
    fillBrands();
    choiceChanged();
    qApp->installEventFilter(this);
}

CFindCodeDlg::~CFindCodeDlg() { qApp->removeEventFilter(this); }

void CFindCodeDlg::addFile(const QString& path) {
    std::vector<std::string> skipped;
    std::vector<codes::CodeSet> added;
    try {
        added = codes::readCodeSetFile(path.toStdString(), skipped);
    } catch (const codes::CodesError& e) {
        platform_.boxes.show(this, QStringLiteral("Can't read codes from %1:\n%2").arg(path, text(e.what())),
                             MessageIcon::Stop);
        return;
    }
    if (added.empty()) {
        platform_.boxes.show(this,
                             QStringLiteral("%1 holds no codes the board can send.\n%2").arg(path, listed(skipped)),
                             MessageIcon::Stop);
        return;
    }
    sets_.insert(sets_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    unreadable_.insert(unreadable_.end(), skipped.begin(), skipped.end());
    fillBrands();
    choiceChanged();
}

std::vector<codes::Candidate> CFindCodeDlg::candidates() {
    codes::CandidateSearch wanted;
    wanted.key = key_->currentData().toString().toStdString();
    wanted.kind = static_cast<codes::DeviceKind>(kind_->currentData().toInt());
    if (brand_->currentIndex() > 0) wanted.brand = brand_->currentText().toStdString();
    std::vector<std::string> skipped;  // the files' keys of this name the board cannot send, named when read
    return codes::findCandidates(sets_, wanted, skipped);
}

void CFindCodeDlg::fillBrands() {
    const QString chosen = brand_->currentIndex() > 0 ? brand_->currentText() : QString();
    const QSignalBlocker quiet(brand_);
    brand_->clear();
    brand_->addItem(QStringLiteral("All brands"));
    for (const std::string& brand :
         codes::brandsOf(sets_, static_cast<codes::DeviceKind>(kind_->currentData().toInt())))
        brand_->addItem(text(brand));
    brand_->setCurrentIndex(std::max(0, brand_->findText(chosen)));
}

void CFindCodeDlg::choiceChanged() {
    const size_t count = candidateCount_ = candidates().size();
    const QString key = key_->currentText();
    QString summary = count == 0   ? QStringLiteral("No codes to try for %1.").arg(key)
                      : count == 1 ? QStringLiteral("1 code to try for %1.").arg(key)
                                   : QStringLiteral("%1 codes to try for %2.").arg(count).arg(key);
    if (!unreadable_.empty())
        summary += unreadable_.size() == 1
                       ? QStringLiteral(" 1 key of the files can't be tried.")
                       : QStringLiteral(" %1 keys of the files can't be tried.").arg(unreadable_.size());
    if (!setsProblem_.isEmpty()) summary = setsProblem_ + ' ' + summary;
    choiceSummary_->setText(summary);
    choiceSummary_->setToolTip(listed(unreadable_));
    if (!search_.running() && kept_.isEmpty()) showState();
}

void CFindCodeDlg::startSearch() {
    search_.start(candidates());
    // Space, the arrows and Enter go to the search, not to a box of choices.
    pause_->setFocus();
    showState();
}

void CFindCodeDlg::stopSearch() {
    search_.stop();
    detail_->clear();
    showState();
}

void CFindCodeDlg::showStep() {
    const codes::Candidate* candidate = search_.current();
    const std::vector<codes::CodeSet>& sets = sets_;
    counter_->setText(QStringLiteral("%1 of %2").arg(search_.position() + 1).arg(search_.candidates().size()));
    setName_->setText(text(codes::describe(sets[candidate->sets.front().set])));
    QString detail = codeOf(*candidate);
    if (candidate->sets.size() > 1) detail += QStringLiteral(", also in %1 other sets").arg(candidate->sets.size() - 1);
    detail_->setText(detail);
    const QSignalBlocker quiet(keep_);
    keep_->clear();
    for (const codes::SetKey& s : candidate->sets) keep_->addItem(text(codes::describe(sets[s.set])));
    showState();
}

void CFindCodeDlg::showFailure(const QString& why) {
    detail_->setText(QStringLiteral("Not sent: %1. Connect the board, then press Go on or Back.").arg(why));
    showState();
}

QString CFindCodeDlg::summary() const { return choiceSummary_->text(); }

QString CFindCodeDlg::progress() const {
    if (!search_.current()) return setName_->text();
    return counter_->text() + ": " + setName_->text() + ", " + detail_->text();
}

void CFindCodeDlg::showState() {
    const bool running = search_.running(), sent = search_.current() != nullptr, done = !kept_.isEmpty();
    for (QWidget* choice : {static_cast<QWidget*>(kind_), static_cast<QWidget*>(brand_), static_cast<QWidget*>(key_),
                            static_cast<QWidget*>(addFile_)})
        choice->setEnabled(!running && !done);
    interval_->setEnabled(!done);
    start_->setEnabled(!running && !done && candidateCount_ > 0);
    pause_->setText(search_.paused() ? QStringLiteral("&Go on") : QStringLiteral("&Pause"));
    for (QPushButton* b : {pause_, back_, next_, stop_}) b->setEnabled(running);
    worked_->setEnabled(running && sent);
    keepLabel_->setVisible(running && keep_->count() > 1);
    keep_->setVisible(running && keep_->count() > 1);
    if (done || running) return;
    counter_->setText(QString());
    setName_->setText(QStringLiteral("Point the board at the device, then press Start."));
    detail_->setText(QStringLiteral("Press Pause (Space) as soon as the device reacts."));
}

void CFindCodeDlg::itWorked() {
    const codes::Candidate* candidate = search_.current();
    if (!candidate) return;
    const int chosen = std::max(0, keep_->currentIndex());
    const codes::CodeSet& set = sets_[candidate->sets[size_t(chosen) < candidate->sets.size() ? chosen : 0].set];
    codes::Remote remote = set.remote;
    remote.name = storedName(set);
    std::vector<codes::Remote> stored;
    try {
        stored = ButtonCodes::asStored({remote});
    } catch (const codes::CodesError& e) {
        platform_.boxes.show(this, QStringLiteral("Can't keep %1:\n%2").arg(text(remote.name), text(e.what())),
                             MessageIcon::Stop);
        return;
    }
    ButtonCodes& library = sender_.codes();
    if (const auto failure = library.addRemotes(stored)) {
        platform_.boxes.show(this, *failure, MessageIcon::Stop);
        return;
    }
    const auto links = matchByName(library.links(), picture_, stored);
    const auto failure = library.changeLinks([&](ButtonLinks& all) {
        for (const auto& [index, key] : links) all.setLink(picture_, index, key);
    });
    if (failure)
        platform_.boxes.show(this, *failure + QStringLiteral("\nThe links hold until the program ends."),
                             MessageIcon::Stop);
    search_.stop();
    kept_ = text(stored.front().name);
    counter_->setText(QStringLiteral("It worked!"));
    setName_->setText(text(codes::describe(set)));
    detail_->setText(
        QStringLiteral("Kept in your codes as the remote %1, %2 keys; %3 buttons of the picture send them.")
            .arg(kept_)
            .arg(stored.front().keys.size())
            .arg(links.size()));
    showState();
    close_->setDefault(true);
    close_->setFocus();
}

void CFindCodeDlg::reject() {
    search_.stop();
    QDialog::reject();
}

bool CFindCodeDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !search_.running()) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != this && !isAncestorOf(widget))) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Space:
        if (!key->isAutoRepeat()) search_.togglePause();
        return true;
    case Qt::Key_Left: search_.back(); return true;
    case Qt::Key_Right: search_.next(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!key->isAutoRepeat()) itWorked();
        return true;
    case Qt::Key_Escape: stopSearch(); return true;
    default: return false;
    }
}

}  // namespace orvalinder
