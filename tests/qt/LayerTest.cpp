// The Qt dialog layer below the dialog: the compiled dialog table, dialog
// units, the dialog script compiler and CFileDialog.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "FileDialog.h"
#include "QtTestSupport.h"
#include "resource.h"

// The table compiled from TapeDlg.dlg.
class CDialogTableTest : public QObject {
    Q_OBJECT

private slots:
    void mainDialog();
    void controlsInTemplateOrder();
    void unknownTemplate();
    void dialogUnitsToPixels_data();
    void dialogUnitsToPixels();
};

void CDialogTableTest::mainDialog() {
    const CDialogTemplate* pTemplate = FindDialogTemplate(IDD_TAVRO_TAPE_DIALOG);
    QVERIFY(pTemplate != nullptr);
    QCOMPARE(pTemplate->nID, 102u);
    QCOMPARE(pTemplate->szCaption, "Tavro tape 1.0");
    QCOMPARE(pTemplate->nPointSize, 8);
    QCOMPARE(pTemplate->szFaceName, "MS Sans Serif");
    QCOMPARE(pTemplate->rect.x, 0);
    QCOMPARE(pTemplate->rect.y, 0);
    QCOMPARE(pTemplate->rect.cx, 273);
    QCOMPARE(pTemplate->rect.cy, 127);
    QCOMPARE(pTemplate->dwStyle,
             DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
    QCOMPARE(pTemplate->dwExStyle, WS_EX_APPWINDOW);
}

void CDialogTableTest::controlsInTemplateOrder() {
    struct CExpected {
        const char* szText;
        int nID;
        const char* szClass;
        DWORD dwStyle;
        CDialogUnitRect rect;
    };
    const CExpected expected[] = {
        {"OK", 1, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, {161, 7, 50, 14}},
        {"Cancel", 2, "Button", BS_PUSHBUTTON | WS_TABSTOP, {216, 7, 50, 14}},
        {"&Wyber wav", 3, "Button", BS_PUSHBUTTON | WS_TABSTOP, {7, 7, 50, 14}},
        {"Nebyl vybranej wav...", 1000, "Static", SS_LEFT | WS_GROUP, {7, 24, 259, 9}},
        {"Aktualni zprava: v tunelu neco nestalo, vsecko eroni",
         1001,
         "Static",
         SS_LEFT | WS_GROUP,
         {7, 34, 259, 9}},
        {"&Analyzuj wav", 4, "Button", BS_PUSHBUTTON | WS_TABSTOP, {61, 7, 50, 14}},
    };
    const CDialogTemplate* pTemplate = FindDialogTemplate(IDD_TAVRO_TAPE_DIALOG);
    QVERIFY(pTemplate != nullptr);
    QCOMPARE(pTemplate->items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const CDialogItemTemplate& item = pTemplate->items[i];
        QCOMPARE(item.szText, expected[i].szText);
        QCOMPARE(item.nID, expected[i].nID);
        QCOMPARE(item.szClass, expected[i].szClass);
        QCOMPARE(item.dwStyle, expected[i].dwStyle);
        QCOMPARE(item.rect.x, expected[i].rect.x);
        QCOMPARE(item.rect.y, expected[i].rect.y);
        QCOMPARE(item.rect.cx, expected[i].rect.cx);
        QCOMPARE(item.rect.cy, expected[i].rect.cy);
    }
}

void CDialogTableTest::unknownTemplate() {
    QCOMPARE(FindDialogTemplate(IDR_MAINFRAME), nullptr);
    CDialog dlg(999);
    QCOMPARE(dlg.DoModal(), INT_PTR{-1});
}

void CDialogTableTest::dialogUnitsToPixels_data() {
    QTest::addColumn<int>("nBaseX");
    QTest::addColumn<int>("nBaseY");
    QTest::addColumn<QRect>("rectPixels");
    // The main dialog at the base units of an 8-point face of 5 x 13.
    QTest::newRow("5x13") << 5 << 13 << QRect(341, 206, 341, 206);
    // Halves round up: 273 * 6 / 4 = 409.5, 127 * 15 / 8 = 238.125.
    QTest::newRow("6x15") << 6 << 15 << QRect(410, 238, 410, 238);
    QTest::newRow("7x16") << 7 << 16 << QRect(478, 254, 478, 254);
}

void CDialogTableTest::dialogUnitsToPixels() {
    QFETCH(int, nBaseX);
    QFETCH(int, nBaseY);
    QFETCH(QRect, rectPixels);
    QCOMPARE(MapDialogRect({273, 127, 273, 127}, {nBaseX, nBaseY}), rectPixels);
}

// tavro-dlgc on scripts of its own.
class CDialogCompilerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textsAndNames();
    void rejectsWhatItCannotRead_data();
    void rejectsWhatItCannotRead();

private:
    // Runs the compiler on strScript; its exit code, standard error and output.
    int Compile(const QByteArray& strScript, QString& strErrors, QByteArray& strOutput);

    std::unique_ptr<QTemporaryDir> m_pDir;
};

void CDialogCompilerTest::init() {
    m_pDir = std::make_unique<QTemporaryDir>();
}

void CDialogCompilerTest::cleanup() {
    m_pDir.reset();
}

int CDialogCompilerTest::Compile(const QByteArray& strScript, QString& strErrors,
                                 QByteArray& strOutput) {
    QFile script(m_pDir->filePath("test.dlg"));
    if (!script.open(QIODevice::WriteOnly) || script.write(strScript) != strScript.size()) {
        return -1;
    }
    script.close();
    const QString strOut = m_pDir->filePath("table.cpp");
    QProcess compiler;
    compiler.start(QStringLiteral(TAVRO_DLGC_PATH), {script.fileName(), strOut, "resource.h"});
    if (!compiler.waitForFinished(20000)) {
        return -1;
    }
    strErrors = QString::fromUtf8(compiler.readAllStandardError());
    QFile out(strOut);
    strOutput = out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
    return compiler.exitStatus() == QProcess::NormalExit ? compiler.exitCode() : -1;
}

void CDialogCompilerTest::textsAndNames() {
    // Doubled quotes, a UTF-8 letter, comments, a second dialog.
    const QByteArray strScript =
        "// comment line\n"
        "LANGUAGE LANG_CZECH, SUBLANG_DEFAULT\n"
        "IDD_ONE DIALOGEX 0, 0, 100, 50\n"
        "STYLE WS_POPUP | 0x10\n"
        "CAPTION \"Say \"\"hi\"\"\"\n"
        "FONT 9, \"Face\", 0, 0, 0x1\n"
        "BEGIN\n"
        "    CONTROL \"\xC4\x8D, \\\\ // not a comment\", IDC_X, \"Static\", SS_LEFT, 1, 2, 3, 4 "
        "// c\n"
        "END\n"
        "IDD_TWO DIALOG 5, 6, 7, 8\n"
        "{\n"
        "}\n";
    QString strErrors;
    QByteArray strOutput;
    QCOMPARE(Compile(strScript, strErrors, strOutput), 0);
    QVERIFY2(strOutput.contains("#include \"resource.h\""), strOutput);
    QVERIFY2(strOutput.contains("{\"\\304\\215, \\\\\\\\ // not a comment\", IDC_X, \"IDC_X\", "
                                "\"Static\",\n     SS_LEFT, {1, 2, 3, 4}}"),
             strOutput);
    QVERIFY2(strOutput.contains("{IDD_ONE, \"IDD_ONE\",\n     WS_POPUP | 0x10,\n     0,\n     "
                                "\"Say \\\"hi\\\"\", 9, \"Face\", {0, 0, 100, 50}, kItems0}"),
             strOutput);
    QVERIFY2(strOutput.contains("{IDD_TWO, \"IDD_TWO\""), strOutput);
}

void CDialogCompilerTest::rejectsWhatItCannotRead_data() {
    QTest::addColumn<QByteArray>("strScript");
    QTest::addColumn<QString>("strError");
    const QByteArray strHead = "IDD_ONE DIALOGEX 0, 0, 100, 50\nBEGIN\n";
    QTest::newRow("other statement") << strHead + "    PUSHBUTTON \"OK\", IDOK, 1, 2, 3, 4\nEND\n"
                                     << "test.dlg:3:";
    QTest::newRow("missing value")
        << strHead + "    CONTROL \"OK\", IDOK, \"Button\", 0, 1, 2, 3\nEND\n"
        << "test.dlg:3:";
    QTest::newRow("bad number") << strHead +
                                       "    CONTROL \"OK\", IDOK, \"Button\", 0, 1, 2, 3, 4x\nEND\n"
                                << "test.dlg:3:";
    QTest::newRow("NOT in a style")
        << strHead + "    CONTROL \"OK\", IDOK, \"Button\", NOT WS_VISIBLE, 1, 2, 3, 4\nEND\n"
        << "test.dlg:3:";
    QTest::newRow("open string") << strHead + "    CONTROL \"OK, IDOK\nEND\n"
                                 << "test.dlg:3:";
    QTest::newRow("no END") << strHead << "not closed";
    QTest::newRow("no dialog") << QByteArray("// nothing\n") << "no dialog";
}

void CDialogCompilerTest::rejectsWhatItCannotRead() {
    QFETCH(QByteArray, strScript);
    QFETCH(QString, strError);
    QString strErrors;
    QByteArray strOutput;
    QCOMPARE(Compile(strScript, strErrors, strOutput), 1);
    QVERIFY2(strErrors.contains(strError), qPrintable(strErrors));
    QVERIFY(strOutput.isEmpty());
}

// CFileDialog: what it asks of the chooser, and what a choice does.
class CFileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void filterStrings_data();
    void filterStrings();
    void initialDirectory_data();
    void initialDirectory();
    void choiceMovesCurrentDirectory();
    void cancelKeepsCurrentDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CCurrentDirGuard> m_pDirGuard;
};

void CFileDialogTest::init() {
    m_pDirGuard = std::make_unique<CCurrentDirGuard>();
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_pDir->path()).mkpath("start/chosen"));
    QVERIFY(QDir::setCurrent(m_pDir->filePath("start")));
}

void CFileDialogTest::cleanup() {
    m_pDirGuard.reset();
    m_pDir.reset();
}

void CFileDialogTest::filterStrings_data() {
    QTest::addColumn<QString>("strFilter");
    QTest::addColumn<QStringList>("filters");
    QTest::newRow("patterns in the description")
        << "Wavy (*.wav)|*.wav||" << QStringList{"Wavy (*.wav)"};
    QTest::newRow("patterns added") << "Sound|*.wav;*.wave|All files|*.*||"
                                    << QStringList{"Sound (*.wav *.wave)", "All files (*.*)"};
    QTest::newRow("no filter") << "" << QStringList{};
    QTest::newRow("unfinished pair") << "Wavy (*.wav)" << QStringList{};
}

void CFileDialogTest::filterStrings() {
    QFETCH(QString, strFilter);
    QFETCH(QStringList, filters);
    QCOMPARE(NameFiltersFromFilterString(strFilter), filters);
}

void CFileDialogTest::initialDirectory_data() {
    // "<tmp>" stands for the test's folder.
    QTest::addColumn<QString>("strInitialDir");
    QTest::addColumn<bool>("bHandedOn");
    QTest::newRow("drive letter") << "I:\\Tavro\\tavro.kopie\\" << false;
    QTest::newRow("existing folder") << "<tmp>/start/chosen" << true;
    QTest::newRow("existing folder, relative") << "chosen" << true;
    QTest::newRow("a file") << "<tmp>/start/file.wav" << false;
    QTest::newRow("missing folder") << "<tmp>/missing" << false;
}

void CFileDialogTest::initialDirectory() {
    QFETCH(QString, strInitialDir);
    QFETCH(bool, bHandedOn);
    QFile file("file.wav");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    strInitialDir.replace("<tmp>", m_pDir->path());
    const std::wstring wstrInitialDir = strInitialDir.toStdWString();
    CChooserStub chooser;
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ENABLESIZING, "Wavy (*.wav)|*.wav||");
    dlg.m_ofn.lpstrInitialDir = wstrInitialDir.c_str();
    QCOMPARE(dlg.DoModal(), INT_PTR{IDCANCEL});
    QCOMPARE(chooser.Requests().size(), size_t{1});
    const CFileChooserRequest& request = chooser.Requests().front();
    // An existing folder is handed on as given; otherwise the current one.
    QCOMPARE(request.strDirectory, bHandedOn ? strInitialDir : QDir::currentPath());
    QVERIFY(request.strFileName.isEmpty());
}

void CFileDialogTest::choiceMovesCurrentDirectory() {
    CChooserStub chooser;
    chooser.Answer(QStringLiteral("chosen/missing.wav"));  // relative to the current folder
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ENABLESIZING, "Wavy (*.wav)|*.wav||");
    QCOMPARE(dlg.DoModal(), INT_PTR{IDOK});
    const QString strChosenDir = m_pDir->filePath("start/chosen");
    QCOMPARE(QString::fromStdString(dlg.GetPathName()), strChosenDir + "/missing.wav");
    QCOMPARE(QDir::currentPath(), strChosenDir);
}

void CFileDialogTest::cancelKeepsCurrentDirectory() {
    CChooserStub chooser;
    chooser.Answer(std::nullopt);
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ENABLESIZING, "Wavy (*.wav)|*.wav||");
    QCOMPARE(dlg.DoModal(), INT_PTR{IDCANCEL});
    QVERIFY(dlg.GetPathName().empty());
    QCOMPARE(QDir::currentPath(), m_pDir->filePath("start"));
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int nStatus = 0;
    CDialogTableTest tableTest;
    nStatus |= QTest::qExec(&tableTest, argc, argv);
    CDialogCompilerTest compilerTest;
    nStatus |= QTest::qExec(&compilerTest, argc, argv);
    CFileDialogTest fileDialogTest;
    nStatus |= QTest::qExec(&fileDialogTest, argc, argv);
    return nStatus;
}

#include "LayerTest.moc"
