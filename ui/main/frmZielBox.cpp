#include "frmZielBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>

#include "CenterForm.h"
#include "Meldungen.h"
#include "Oberflaeche.h"

namespace {

constexpr int kPfadRolle = Qt::UserRole;
constexpr int kTiefeRolle = Qt::UserRole + 1;

// Indents each folder by its depth in the drawing, so that its text stays
// the bare name that typing a letter finds. The open folder is marked in the
// selection colour only while the list has the focus (grey otherwise), and
// the entry with the focus gets a dotted frame, which the styles draw on the
// selection colour too faintly to see.
class Einrueckung final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(index.data(kTiefeRolle).toInt() * 12, 0, 0, 0);
        if (option->widget && !option->widget->hasFocus()) {
            option->palette.setBrush(QPalette::Highlight, option->palette.mid());
            option->palette.setBrush(QPalette::HighlightedText, option->palette.text());
        }
    }
    void paint(QPainter* maler, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(maler, option, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        maler->save();
        maler->setPen(QPen((o.state & QStyle::State_Selected) ? o.palette.highlightedText().color()
                                                              : o.palette.text().color(),
                           1, Qt::DotLine));
        maler->drawRect(o.rect.adjusted(0, 0, -1, -1));
        maler->restore();
    }
};

QString sauber(const QString& pfad) {
    return QDir::cleanPath(QDir(pfad).absolutePath());
}

}  // namespace

Verzeichnisliste::Verzeichnisliste(QWidget* eltern) : QListWidget(eltern) {
    setIconSize(QSize(16, 16));
    setItemDelegate(new Einrueckung(this));
    ordnernameFragen = [this]() -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(this, QStringLiteral("Neuer Ordner"),
                                                   QStringLiteral("Name des neuen Ordners:"),
                                                   QLineEdit::Normal, QString(), &ok);
        if (!ok || name.trimmed().isEmpty())
            return std::nullopt;
        return name.trimmed();
    };
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu menue(this);
        menue.addAction(QStringLiteral("Neuer Ordner…"), this, [this] {
            if (const auto name = ordnernameFragen(); name && !ordnerAnlegen(*name)) {
                Meldungen::zeige(
                    this,
                    QStringLiteral("Der Ordner „%1“ kann hier nicht angelegt werden.").arg(*name),
                    QStringLiteral("Zielverzeichnis"), QMessageBox::Information);
            }
        });
        menue.exec(viewport()->mapToGlobal(p));
    });
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { setzePfad(item->data(kPfadRolle).toString()); });
}

bool Verzeichnisliste::setzePfad(const QString& roh) {
    const QString pfad = sauber(roh);
    const QFileInfo info(pfad);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    QDir ordner(pfad);
    ordner.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);  // hidden folders stay out
    ordner.setSorting(QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    const QStringList unterordner = ordner.entryList();

    clear();
    pfad_ = pfad;
    const QIcon offen = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon zu = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QStringList teile = pfad.split(u'/', Qt::SkipEmptyParts);
    QString bisher = QStringLiteral("/");
    auto zeile = [this](const QString& name, const QString& voll, int tiefe, const QIcon& bild) {
        auto* item = new QListWidgetItem(bild, name, this);
        item->setData(kPfadRolle, voll);
        item->setData(kTiefeRolle, tiefe);
        return item;
    };
    QListWidgetItem* geoeffnet = zeile(QStringLiteral("/"), bisher, 0, offen);
    for (int i = 0; i < teile.size(); ++i) {
        bisher = bisher == u"/" ? bisher + teile[i] : bisher + u'/' + teile[i];
        geoeffnet = zeile(teile[i], bisher, i + 1, offen);
    }
    for (const QString& u : unterordner) {
        zeile(u, pfad == u"/" ? pfad + u : pfad + u'/' + u, static_cast<int>(teile.size()) + 1, zu);
    }
    setCurrentItem(geoeffnet);
    return true;
}

bool Verzeichnisliste::ordnerAnlegen(const QString& name) {
    if (name.contains(u'/') || name == u"." || name == u".." || !QDir(pfad_).mkdir(name))
        return false;
    const QString neu = QDir(pfad_).filePath(name);
    setzePfad(pfad_);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(kPfadRolle).toString() == neu)
            setCurrentRow(i);
    }
    return true;
}

QString Verzeichnisliste::markierterPfad() const {
    return currentItem() ? currentItem()->data(kPfadRolle).toString() : pfad_;
}

void Verzeichnisliste::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && tasteUnten) {
        tasteUnten(13);
        return;
    }
    QListWidget::keyPressEvent(e);
}

frmZielBox::frmZielBox(std::function<void(const QString&)> zielSetzen, zorta::Wechselmedium& medium,
                       QWidget* eltern)
    : QDialog(eltern),
      zielSetzen_(std::move(zielSetzen)),
      laufwerke_(medium.laufwerke(zuPfad(QDir::homePath()))) {
    setObjectName(QStringLiteral("frmZielBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zielverzeichnis"));
    setWindowIcon(QIcon(QStringLiteral(":/bilder/ordner.png")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(schrift(Schriftart::MsSansSerif, 8.25));
    setFixedSize(tw(3375), tw(4005));
    fokusZeigen(*this);

    Rahmen1 = steuerelement<QGroupBox>(this, "Rahmen1", twRechteck(120, 120, 3135, 3255));
    Laufwerk1 = steuerelement<QComboBox>(Rahmen1, "Laufwerk1", twRechteck(120, 240, 2895, 315));
    for (const auto& l : laufwerke_) Laufwerk1->addItem(ausPfad(l.bezeichnung), ausPfad(l.pfad));
    Verzeichnis1 =
        steuerelement<Verzeichnisliste>(Rahmen1, "Verzeichnis1", twRechteck(120, 720, 2895, 2340));
    Command1 = steuerelement<QPushButton>(this, "Command1", twRechteck(120, 3480, 1215, 375),
                                          QStringLiteral("&Abbrechen"));
    Command2 = steuerelement<QPushButton>(this, "Command2", twRechteck(2040, 3480, 1215, 375),
                                          QStringLiteral("&OK"));
    // Neither is the default button (an auto-default one would become it on
    // show): Enter clicks only the focused one, through the key filter.
    for (QPushButton* k : {Command1, Command2}) {
        k->setAutoDefault(false);
        k->setDefault(false);
    }
    QWidget::setTabOrder(Laufwerk1, Verzeichnis1);
    QWidget::setTabOrder(Verzeichnis1, Command1);
    QWidget::setTabOrder(Command1, Command2);
    for (QWidget* w :
         std::initializer_list<QWidget*>{Laufwerk1, Verzeichnis1, Command1, Command2}) {
        w->installEventFilter(this);
    }

    const QString aktuell = QDir::currentPath();
    Laufwerk1->setCurrentIndex(static_cast<int>(zorta::laufwerkVon(laufwerke_, zuPfad(aktuell))));
    Verzeichnis1->setzePfad(aktuell);
    Laufwerk1->setFocus();

    connect(Laufwerk1, &QComboBox::activated, this, [this] { Laufwerk1_Change(); });
    Verzeichnis1->tasteUnten = [this](int code) { Verzeichnis1_KeyDown(code); };
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    Form_Load();
}

void frmZielBox::Form_Load() {
    CenterForm(*this);
}

void frmZielBox::Laufwerk1_Change() {
    // A drive that cannot be opened leaves the list where it was.
    Verzeichnis1->setzePfad(Laufwerk1->currentData().toString());
}

void frmZielBox::Verzeichnis1_KeyDown(int KeyCode) {
    if (KeyCode == 13)
        Verzeichnis1->setzePfad(Verzeichnis1->markierterPfad());
}

void frmZielBox::Command1_Click() {
    close();
}

void frmZielBox::Command2_Click() {
    if (zielSetzen_ && !Verzeichnis1->pfad().isEmpty())
        zielSetzen_(Verzeichnis1->pfad());
    close();
}

void frmZielBox::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == 27)
        close();
}

bool frmZielBox::eventFilter(QObject* objekt, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QDialog::eventFilter(objekt, e);
    const int taste = static_cast<QKeyEvent*>(e)->key();
    if (taste == Qt::Key_Escape) {
        int code = 27;
        Form_KeyPress(code);
        return true;
    }
    auto* knopf = qobject_cast<QPushButton*>(objekt);
    if (knopf && (taste == Qt::Key_Return || taste == Qt::Key_Enter)) {
        knopf->click();
        return true;
    }
    return QDialog::eventFilter(objekt, e);
}

void frmZielBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        int code = 27;
        Form_KeyPress(code);
        return;
    }
    // No default button: Enter on the window itself does nothing.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(e);
}
