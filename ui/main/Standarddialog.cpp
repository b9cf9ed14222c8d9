#include "Standarddialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <memory>

namespace {

// Qt's own dialog, not the desktop's, so that it behaves the same everywhere.
class QtDateiwahl final : public Dateiwahl {
  public:
    std::optional<QString> oeffnen(QWidget* eltern, const Standarddialog& d) override {
        // Destroyed only once the caller has acted on the choice: taking down
        // its folder model costs tens of milliseconds in a folder of many
        // pieces, which a repair would otherwise wait for.
        auto* zeiger = new QFileDialog(eltern, d.DialogTitle);
        zeiger->setAttribute(Qt::WA_DeleteOnClose, false);
        const std::unique_ptr<QFileDialog, void (*)(QFileDialog*)> halter(
            zeiger, [](QFileDialog* w) { w->deleteLater(); });
        QFileDialog& dialog = *zeiger;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((d.Flags & Standarddialog::DateiMussExistieren)
                               ? QFileDialog::ExistingFile
                               : QFileDialog::AnyFile);
        const QStringList filter = d.namensfilter();
        if (!filter.isEmpty())
            dialog.setNameFilters(filter);
        dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
        if (!d.FileName.isEmpty()) {
            const QFileInfo info(d.FileName);
            dialog.setDirectory(info.absolutePath());
            // The last choice is offered again only where the filter lists
            // it: the source just cut is no batch file to repair.
            if (d.zeigt(info.fileName()))
                dialog.selectFile(info.fileName());
        } else {
            dialog.setDirectory(QDir::currentPath());
        }
        // Dot files stay hidden until the user types a name that begins
        // with a dot (".profile", ".bat").
        if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            QObject::connect(name, &QLineEdit::textChanged, &dialog, [&dialog](const QString& t) {
                const bool punkt = QFileInfo(t).fileName().startsWith(u'.');
                dialog.setFilter(punkt ? dialog.filter() | QDir::Hidden
                                       : dialog.filter() & ~QDir::Hidden);
            });
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().first();
    }
};

}  // namespace

Standarddialog::Standarddialog() : wahl_(std::make_unique<QtDateiwahl>()) {}
Standarddialog::~Standarddialog() = default;

void Standarddialog::setzeWahl(std::unique_ptr<Dateiwahl> wahl) {
    wahl_ = std::move(wahl);
}

QStringList Standarddialog::namensfilter() const {
    QStringList aus;
    const QStringList teile = Filter.split(u'|');
    for (int i = 0; i + 1 < teile.size(); i += 2) {
        const QString muster = QString(teile[i + 1]).replace(u';', u' ');
        const QString& text = teile[i];
        const QString klammer = QStringLiteral("(") + muster + QStringLiteral(")");
        aus << (text.contains(klammer) ? text : text + QStringLiteral(" ") + klammer);
    }
    return aus;
}

bool Standarddialog::zeigt(const QString& dateiname) const {
    const QStringList teile = Filter.split(u'|');
    if (teile.size() < 2)
        return true;
    // The dialog lists by the first entry's patterns.
    for (const QString& muster : teile[1].split(u';', Qt::SkipEmptyParts)) {
        if (QRegularExpression::fromWildcard(muster.trimmed(), Qt::CaseInsensitive)
                .match(dateiname)
                .hasMatch())
            return true;
    }
    return false;
}

zorta::Fehler Standarddialog::ShowOpen(QWidget* eltern) {
    const std::optional<QString> gewaehlt = wahl_->oeffnen(eltern, *this);
    if (!gewaehlt) {
        if (CancelError)
            return zorta::Fehler::nummer(zorta::fehlernr::Abbruch);
        return {};
    }
    const QFileInfo info(*gewaehlt);
    FileName = info.absoluteFilePath();
    QDir::setCurrent(info.absolutePath());
    return {};
}
