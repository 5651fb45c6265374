#include "model/WebLanguage.h"

#include "common/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

class TestWebLanguage : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ini;

private slots:
    void initTestCase() {
        ini = dir.filePath(QStringLiteral("Language.ini"));
        WriteFileBytes(ini, "; translations\r\n"
                            "[German]\r\n"
                            "MainTitle=Corvanta Datenbank\r\n"
                            "CharSet = UTF-8 \r\n"
                            "SearchButton=\r\n"
                            "NumberCheck=# ist keine \"Zahl\", bitte; <b>neu</b> #2\r\n"
                            "[Short]\r\n"
                            "MainTitle=Kurz\r\n"
                            "[French]\r\n"
                            "MainTitle=Base Corvanta\r\n");
    }

    void englishTable() {
        TWebLanguage l;
        QCOMPARE(TWebLanguage::Keys().size(), 169);
        QCOMPARE(TWebLanguage::Keys().first(), QStringLiteral("CharSet"));
        QCOMPARE(TWebLanguage::Keys().at(136), QStringLiteral("No"));
        QCOMPARE(TWebLanguage::Keys().last(), QStringLiteral("FormTooLarge"));
        QCOMPARE(l.Text(QStringLiteral("CharSet")), QStringLiteral("ISO-8859-1"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Database"));
        QCOMPARE(l.Text(QStringLiteral("NumberCheck")), QStringLiteral("# is not a valid number"));
        QCOMPARE(l.Text(QStringLiteral("OrderRecordsLabel")), QStringLiteral("Sort the records found:"));
    }

    void sectionReplacesOnlyItsKeys() {
        TWebLanguage l;
        l.LoadFrom(ini, QStringLiteral("German"));
        QCOMPARE(l.Name(), QStringLiteral("German"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Datenbank"));
        QCOMPARE(l.Text(QStringLiteral("CharSet")), QStringLiteral("UTF-8"));
        // Present but empty: an empty text, not the English one.
        QCOMPARE(l.Text(QStringLiteral("SearchButton")), QString());
        // Values are verbatim: quotes, commas, '#', markup.
        QCOMPARE(l.Text(QStringLiteral("NumberCheck")),
                 QStringLiteral("# ist keine \"Zahl\", bitte; <b>neu</b> #2"));
        QCOMPARE(l.Text(QStringLiteral("AddRecordButton")), QStringLiteral("Add Record"));
    }

    void switchingStartsFromEnglish() {
        TWebLanguage l;
        l.LoadFrom(ini, QStringLiteral("German"));
        l.LoadFrom(ini, QStringLiteral("Short"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Kurz"));
        QCOMPARE(l.Text(QStringLiteral("CharSet")), QStringLiteral("ISO-8859-1"));
        QCOMPARE(l.Text(QStringLiteral("SearchButton")), QStringLiteral("Search"));
    }

    void missingFileOrSection() {
        TWebLanguage l;
        l.LoadFrom(dir.filePath(QStringLiteral("absent.ini")), QStringLiteral("German"));
        QCOMPARE(l.Name(), QStringLiteral("German")); // kept and saved unchanged
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Database"));
        l.LoadFrom(ini, QStringLiteral("Klingon"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Database"));
        l.LoadFrom(ini, QString());
        QCOMPARE(l.Name(), QString());
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Database"));
        // Section names match without regard to case.
        l.LoadFrom(ini, QStringLiteral("german"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QStringLiteral("Corvanta Datenbank"));
    }

    void languageListInFileOrder() {
        QCOMPARE(TWebLanguage::LanguagesFrom(ini),
                 (QStringList{"German", "Short", "French"}));
        QVERIFY(TWebLanguage::LanguagesFrom(dir.filePath(QStringLiteral("absent.ini"))).isEmpty());
    }

    void encodings() {
        const QString latin1 = dir.filePath(QStringLiteral("latin1.ini"));
        WriteFileBytes(latin1, "[Fran\xe7" "ais]\nMainTitle=Base de donn\xe9" "es\n");
        TWebLanguage l;
        l.LoadFrom(latin1, QString::fromUtf8("Français"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QString::fromUtf8("Base de données"));

        const QString utf8 = dir.filePath(QStringLiteral("utf8.ini"));
        WriteFileBytes(utf8, "\xEF\xBB\xBF[Deutsch]\nMainTitle=Gr\xC3\xB6\xC3\x9F" "e\n");
        l.LoadFrom(utf8, QStringLiteral("Deutsch"));
        QCOMPARE(l.Text(QStringLiteral("MainTitle")), QString::fromUtf8("Größe"));
    }
};

QTEST_GUILESS_MAIN(TestWebLanguage)
#include "TestWebLanguage.moc"
