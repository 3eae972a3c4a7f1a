#include "library/button_codes.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <set>
#include <unordered_map>

#include "codes/formats.h"
#include "codes/lircd_conf.h"
#include "codes/protocols.h"
#include "core/button_names.h"

namespace orvalinder {

namespace {

const QString kLinksFile = QStringLiteral("button-links.txt");
const QString kRemoteSuffix = QStringLiteral(".lircd.conf");

std::optional<QString> writeFile(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !file.commit())
        return QStringLiteral("Can't write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

}  // namespace

std::vector<std::pair<int, LinkedKey>> matchByName(const ButtonLinks& links, RemoteKind kind,
                                                   const std::vector<codes::Remote>& remotes) {
    // Each key's name is spelled out once: a file may hold 200,000 keys.
    std::unordered_map<std::string, std::vector<int>> buttonsNamed;
    const int buttons = static_cast<int>(clickAreas(kind).size());
    for (int index = 0; index < buttons; ++index)
        if (const std::string name = links.shownName(kind, index); !name.empty())
            buttonsNamed[canonicalKeyName(name)].push_back(index);

    // A key of the button's own name beats one that stands in for it, and
    // the first of the file beats the later ones.
    enum Fit { None, StandIn, Same };
    std::vector<std::pair<Fit, LinkedKey>> best(static_cast<size_t>(buttons));
    const auto offer = [&](std::string_view canonical, Fit fit, const codes::Remote& remote, const codes::Key& key) {
        const auto it = buttonsNamed.find(std::string(canonical));
        if (it == buttonsNamed.end()) return;
        for (int index : it->second)
            if (auto& [had, linked] = best[static_cast<size_t>(index)]; fit > had) {
                had = fit;
                linked = {remote.name, key.name};
            }
    };
    for (const codes::Remote& remote : remotes)
        for (const codes::Key& key : remote.keys) {
            const std::string canonical = canonicalKeyName(key.name);
            offer(canonical, Same, remote, key);
            if (const std::string_view standsIn = standsInFor(canonical); !standsIn.empty())
                offer(standsIn, StandIn, remote, key);
        }

    std::vector<std::pair<int, LinkedKey>> matches;
    for (int index = 0; index < buttons; ++index)
        if (best[static_cast<size_t>(index)].first != None)
            matches.push_back({index, std::move(best[static_cast<size_t>(index)].second)});
    return matches;
}

ButtonCodes::ButtonCodes(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

QString ButtonCodes::defaultDataFolder() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }

QString ButtonCodes::remotesFolder() const { return dataFolder_ + QStringLiteral("/remotes"); }

QString ButtonCodes::linksPath() const { return dataFolder_ + QLatin1Char('/') + kLinksFile; }

QStringList ButtonCodes::load() {
    QStringList problems;
    remotes_.clear();
    files_.clear();
    const QDir folder(remotesFolder());
    const QStringList names = folder.entryList({QStringLiteral("*.conf")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        try {
            for (codes::Remote& remote : codes::readCodesFile(path.toStdString())) {
                remotes_.push_back(std::move(remote));
                files_.push_back(path);
            }
        } catch (const codes::CodesError& e) {
            problems << QString::fromStdString(e.what());
        }
    }

    QFile links(linksPath());
    if (links.open(QIODevice::ReadOnly)) {
        const QByteArray text = links.readAll();
        links_ = ButtonLinks::fromText(std::string_view(text.constData(), static_cast<size_t>(text.size())));
    } else {
        links_ = {};
        if (links.exists())
            problems
                << QStringLiteral("Can't read %1: %2").arg(QDir::toNativeSeparators(linksPath()), links.errorString());
    }
    emit changed();
    return problems;
}

std::pair<const codes::Remote*, const codes::Key*> ButtonCodes::find(const LinkedKey& link) const {
    for (const codes::Remote& remote : remotes_)
        if (remote.name == link.remote) return {&remote, codes::findKey(remote, link.key)};
    return {nullptr, nullptr};
}

std::optional<QString> ButtonCodes::changeLinks(const std::function<void(ButtonLinks&)>& change) {
    change(links_);
    emit changed();
    if (!QDir().mkpath(dataFolder_))
        return QStringLiteral("Can't create the folder %1").arg(QDir::toNativeSeparators(dataFolder_));
    return writeFile(linksPath(), links_.text());
}

QString ButtonCodes::freeFileName(const std::string& remoteName) const {
    QString base;
    for (const char c : remoteName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        base += plain ? QLatin1Char(c) : QLatin1Char('_');
    }
    if (base.isEmpty() || base.startsWith(QLatin1Char('.'))) base.prepend(QStringLiteral("remote"));
    const std::set<QString> taken(files_.begin(), files_.end());
    QString path = remotesFolder() + QLatin1Char('/') + base + kRemoteSuffix;
    for (int n = 2; taken.count(path) || QFile::exists(path); ++n)
        path = remotesFolder() + QLatin1Char('/') + base + QStringLiteral("_%1").arg(n) + kRemoteSuffix;
    return path;
}

std::optional<QString> ButtonCodes::learnKey(RemoteKind kind, int index, const codes::Remote& form, codes::Key key) {
    const std::string base = std::string(pictureName(kind)) + "-learned";
    const QString path = remotesFolder() + QLatin1Char('/') + QString::fromStdString(base) + kRemoteSuffix;
    std::vector<codes::Remote> inFile;
    for (size_t i = 0; i < remotes_.size(); ++i)
        if (files_[i] == path) inFile.push_back(remotes_[i]);

    // What the button learned before goes; a name another button's learned
    // key has gets the button's number.
    const std::optional<LinkedKey> before = links_.link(kind, index);
    const std::string shown = links_.shownName(kind, index);
    key.name = codes::lircName(shown.empty() ? "BUTTON_" + std::to_string(index) : shown);
    for (codes::Remote& remote : inFile) {
        std::erase_if(remote.keys, [&](const codes::Key& k) {
            return before && before->remote == remote.name && before->key == k.name;
        });
        for (const codes::Key& k : remote.keys)
            if (k.name == key.name) key.name += "_" + std::to_string(index);
    }
    std::erase_if(inFile, [](const codes::Remote& r) { return r.keys.empty(); });
    // LIRC keeps raw and coded keys in separate remotes: each form of frame
    // has a remote of its own whose name stays, so a key learned again keeps
    // its name, and LIRC's clients find it where the form says.
    codes::addKey(inFile, form, key, base + "-" + codes::formName(form));

    if (!QDir().mkpath(remotesFolder()))
        return QStringLiteral("Can't create the folder %1").arg(QDir::toNativeSeparators(remotesFolder()));
    if (const auto failure = writeFile(path, codes::writeLircdConf(inFile))) return failure;
    for (size_t i = remotes_.size(); i-- > 0;)
        if (files_[i] == path) {
            remotes_.erase(remotes_.begin() + static_cast<long>(i));
            files_.erase(files_.begin() + static_cast<long>(i));
        }
    LinkedKey learned{{}, key.name};
    for (const codes::Remote& remote : inFile) {
        remotes_.push_back(remote);
        files_.push_back(path);
        if (codes::findKey(remote, key.name)) learned.remote = remote.name;
    }
    return changeLinks([&](ButtonLinks& links) { links.setLink(kind, index, learned); });
}

std::optional<QString> ButtonCodes::saveKey(const std::string& remoteName, const codes::Remote& form, codes::Key key) {
    // What sends the key must be the same; what LIRC keeps only for
    // receiving, and the comment, may differ.
    const auto takes = [&form](const codes::Remote& existing) {
        if (form.encoding == codes::Encoding::Raw)
            return existing.encoding == codes::Encoding::Raw && existing.frequency == form.frequency;
        codes::Remote timings = form;
        timings.name = existing.name;
        timings.comment = existing.comment;
        timings.kept = existing.kept;
        timings.keys = existing.keys;
        return timings == existing;
    };
    codes::Remote remote = form;
    remote.name = remoteName;
    remote.keys.clear();
    for (const codes::Remote& existing : remotes_) {
        if (existing.name != remoteName) continue;
        if (!takes(existing))
            return QStringLiteral("%1 holds codes of other timings: choose another remote for this %2 key.")
                .arg(QString::fromStdString(remoteName), QString::fromStdString(codes::formName(form)));
        remote = existing;
        std::erase_if(remote.keys, [&](const codes::Key& k) { return k.name == key.name; });
    }
    remote.keys.push_back(std::move(key));
    return addRemotes({remote});
}

std::vector<codes::Remote> ButtonCodes::asStored(const std::vector<codes::Remote>& remotes) {
    return codes::readLircdConf(codes::writeLircdConf(remotes), "library");
}

std::optional<QString> ButtonCodes::addRemotes(const std::vector<codes::Remote>& remotes) {
    if (!QDir().mkpath(remotesFolder()))
        return QStringLiteral("Can't create the folder %1").arg(QDir::toNativeSeparators(remotesFolder()));
    for (const codes::Remote& remote : remotes) {
        // A remote of that name is replaced in its own file, beside the
        // other remotes that file may hold.
        QString path;
        for (size_t i = 0; i < remotes_.size(); ++i)
            if (remotes_[i].name == remote.name) {
                remotes_[i] = remote;
                path = files_[i];
            }
        if (path.isEmpty()) {
            path = freeFileName(remote.name);
            remotes_.push_back(remote);
            files_.push_back(path);
        }
        std::vector<codes::Remote> inFile;
        for (size_t i = 0; i < remotes_.size(); ++i)
            if (files_[i] == path) inFile.push_back(remotes_[i]);
        if (const auto failure = writeFile(path, codes::writeLircdConf(inFile))) {
            load();
            return failure;
        }
    }
    emit changed();
    return std::nullopt;
}

}  // namespace orvalinder
