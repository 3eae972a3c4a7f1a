#pragma once
// The user's codes: the library of remotes (remotes/ in the data folder, one
// lircd.conf a remote, which LIRC can read as they are) and the links from
// the picture buttons to its keys (button-links.txt beside it).

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "codes/remote.h"
#include "library/button_links.h"

namespace orvalinder {

// The keys of `remotes` whose names match a button of the picture (by its
// name before the import), as the button and the key; a button once only.
// A key of the button's name in any spelling comes first, then one that
// stands in for it ("Enter" for OK), each the first of the file.
std::vector<std::pair<int, LinkedKey>> matchByName(const ButtonLinks& links, RemoteKind kind,
                                                   const std::vector<codes::Remote>& remotes);

class ButtonCodes : public QObject {
    Q_OBJECT
public:
    explicit ButtonCodes(QString dataFolder);

    // QStandardPaths' application data folder.
    static QString defaultDataFolder();
    QString remotesFolder() const;

    // Reads the library and the links. Returns what could not be read, one
    // text for each file: a file that is refused is left out, never changed.
    QStringList load();

    const std::vector<codes::Remote>& remotes() const { return remotes_; }
    const ButtonLinks& links() const { return links_; }

    // The key a button is linked to; nulls when the library lacks it.
    std::pair<const codes::Remote*, const codes::Key*> find(const LinkedKey& link) const;

    // Changes the links and stores them. The change holds even when it
    // could not be stored; the text says why.
    std::optional<QString> changeLinks(const std::function<void(ButtonLinks&)>& change);

    // The remotes as the library will hold them: key names are single words
    // in a lircd.conf, and links must name the keys as stored. A CodesError
    // says what a lircd.conf cannot hold.
    static std::vector<codes::Remote> asStored(const std::vector<codes::Remote>& remotes);

    // Stores the remotes in the library, each replacing the remote of its
    // name. Stops at the first that cannot be written; the text says which.
    std::optional<QString> addRemotes(const std::vector<codes::Remote>& remotes);

    // Stores a key in the library's remote of that name, replacing a key of
    // its name there, or in a new remote of that name with the key's
    // timings (`form`). A raw key joins a raw remote of its carrier, whose
    // gap stays; a remote of other timings cannot take the key, and the
    // text says so.
    std::optional<QString> saveKey(const std::string& remoteName, const codes::Remote& form, codes::Key key);

    // Stores a key learned for a button in the picture's own file of learned
    // keys ("panasonic-learned.lircd.conf", a remote in it for each form of
    // frame, named after it: "panasonic-learned-nec"), replacing what the
    // button learned before, and links the button to it. The key is named
    // after the button, and keeps its name when learned again.
    std::optional<QString> learnKey(RemoteKind kind, int index, const codes::Remote& form, codes::Key key);

signals:
    void changed();

private:
    QString linksPath() const;
    QString freeFileName(const std::string& remoteName) const;

    QString dataFolder_;
    std::vector<codes::Remote> remotes_;
    std::vector<QString> files_;  // the file of each remote
    ButtonLinks links_;
};

}  // namespace orvalinder
