#include "app/main/appsetup.h"

#include "app/main/mainwindow.h"
#include "app/result/framepacer.h"
#include "app/result/resultwindow.h"
#include "app/shared/icon.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Design widths of the two labels, pixels, and their captions.
struct DesignCaption {
    const char *text;
    int width;
};
const DesignCaption Captions[] = {{"検索文字列：", 68}, {"コピー先：", 54}};

} // namespace

bool InstallQtJapanese(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

QStringList JapaneseFontFamilies()
{
    QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    // The IPA fonts first: one font, proportional, for kana, kanji and Latin.
    QStringList preferred;
    for (const char *name : {"IPAPGothic", "IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"}) {
        const QString family = QString::fromLatin1(name);
        if (families.removeAll(family) > 0)
            preferred << family;
    }
    return preferred + families;
}

QFont ChooseUserInterfaceFont(const QStringList &families)
{
    QFont font = QApplication::font();
    if (families.isEmpty())
        return font;
    font.setFamily(families.first());
    for (int pixels = 12; pixels >= 9; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (const DesignCaption &caption : Captions)
            fits = fits && metrics.horizontalAdvance(QString::fromUtf8(caption.text)) <= caption.width;
        if (fits)
            break;
    }
    return font;
}

void SetUserInterfaceFont(std::ostream &err)
{
    const QStringList families = JapaneseFontFamilies();
    if (families.isEmpty())
        err << "pathwren: no installed font draws Japanese; captions will show as boxes"
               " (install fonts-ipafont-gothic)\n";
    QApplication::setFont(ChooseUserInterfaceFont(families));
}

std::unique_ptr<MainWindow> CreateWindows()
{
    InitPathwrenResources();
    FramePacer::Install();
    ResultWindow &result = ResultWindow::CreateInstance();
    return std::make_unique<MainWindow>(result);
}
