#include "common/ui/SwedishTranslation.h"

#include "common/ui/DialogCaptions.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tesk {
namespace {

// Qt names its standard buttons through this context; answering here
// overrides the catalogue's "&Ja" and "&Nej", which carry accelerators.
class ButtonCaptions : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        if (!context || !sourceText || qstrcmp(context, "QPlatformTheme") != 0)
            return {};
        const QByteArrayView source(sourceText);
        if (source == "&Yes")
            return captions::Yes;
        if (source == "&No")
            return captions::No;
        if (source == "OK")
            return captions::Ok;
        if (source == "Cancel")
            return captions::Cancel;
        return {};
    }
};

} // namespace

bool InstallSwedishTranslation(QCoreApplication& app)
{
    auto* qtCatalogue = new QTranslator(&app);
    const bool found = qtCatalogue->load(QLocale(QLocale::Swedish, QLocale::Sweden), QStringLiteral("qt"),
                                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (found)
        QCoreApplication::installTranslator(qtCatalogue);
    else
        delete qtCatalogue;
    // Installed last, asked first.
    QCoreApplication::installTranslator(new ButtonCaptions(&app));
    return found;
}

} // namespace tesk
