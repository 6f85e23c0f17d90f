// The meter list dialog: rows from the meter table, "设置", *.cfg save and import.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "core/workspace.hpp"
#include "meters/editable_grid.hpp"
#include "meters/meter_list_dialog.hpp"
#include "recording_notifier.hpp"

namespace {

const std::string kGbkName = "02-\xCB\xAE\xB1\xED"; // 02-水表 in GBK

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class MeterListDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        m_workspace.setTypeNames({"00-X", "01-A", kGbkName, "03-C"});
        m_workspace.setSecondaryAddressing(true);
        tev::link::MeterTable t;
        t.count = 3;
        t.entries[0] = {"000010000001", "01", "", ""};
        t.entries[1] = {"000010000002", "02", "", ""};
        t.entries[2] = {"000010000003", "40", "", ""}; // beyond the type names
        m_workspace.setMeterTable(t);
        m_notifier.m_shown->clear();
        *m_notifier.m_answer = false;
    }

    // Types are looked up by the number their names begin with, so an untouched list hands back
    // what was read, whichever place the names have in type.txt.
    void untouchedListHandsBackWhatWasRead_data() {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("numbers at their places") << QStringList{"00-X", "01-A", "02-B", "03-C"};
        QTest::newRow("file starting at 01") << QStringList{"01-A", "02-B", "03-C"};
        QTest::newRow("out of order, type 1 missing") << QStringList{"03-C", "02-B"};
    }
    void untouchedListHandsBackWhatWasRead() {
        QFETCH(QStringList, names);
        std::vector<std::string> bytes;
        for (const QString& n : names)
            bytes.push_back(n.toStdString());
        m_workspace.setTypeNames(bytes);
        MeterListDialog d(m_workspace, m_notifier);
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const auto& e = m_workspace.meterTable().entries;
        const std::string expected[] = {"1", "2", "64"}; // read as 01, 02, 40 (hexadecimal)
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(e[i].editedType, expected[i]);
            QCOMPARE(e[i].editedSerial, e[i].readSerial);
        }
        QCOMPARE(d.findChild<EditableGrid*>(QStringLiteral("meterGrid"))->item(0, 2)->text(),
                 names.contains(QStringLiteral("01-A")) ? QStringLiteral("01-A") : QStringLiteral("01"));
    }

    void unreadRowsShowEmptyAndAreWrittenOnlyWhenConfirmed() {
        tev::link::MeterTable t = m_workspace.meterTable();
        t.entries[1] = {}; // its blocks were lost
        m_workspace.setMeterTable(t);
        MeterListDialog d(m_workspace, m_notifier);
        auto* grid = d.findChild<EditableGrid*>(QStringLiteral("meterGrid"));
        QCOMPARE(grid->item(1, 1)->text(), QString());
        QCOMPARE(grid->item(1, 2)->text(), QString());
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        QVERIFY(m_notifier.m_shown->back().text.startsWith(QStringLiteral("第 2 行")));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(m_workspace.meterTable().entries[0].editedType, std::string());
        *m_notifier.m_answer = true;
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(m_workspace.meterTable().entries[0].editedType, std::string("1"));
    }

    void aSerialThatIsNotHexIsNotHandedBack() {
        MeterListDialog d(m_workspace, m_notifier);
        d.findChild<EditableGrid*>(QStringLiteral("meterGrid"))->writeCell(2, 1, QStringLiteral("00001000000G"));
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(m_notifier.m_shown->back().text.startsWith(QStringLiteral("第 3 行的表序列号")));
        QCOMPARE(m_workspace.meterTable().entries[2].editedSerial, std::string());
    }

    void aFailedImportKeepsTheTable() {
        for (const QString& path : {m_dir.filePath(QStringLiteral("missing.cfg")), m_dir.path()}) {
            MeterListDialog d(m_workspace, m_notifier);
            const auto before = d.rows();
            d.setPathChooser([path](QWidget*) { return path; });
            d.findChild<QPushButton*>(QStringLiteral("importButton"))->click();
            QCOMPARE(d.rows(), before);
            QVERIFY2(m_notifier.m_shown->back().text.contains(path),
                     qPrintable(m_notifier.m_shown->back().text));
        }
    }

    void saveNamesRowsThatWouldNotReadBack() {
        tev::link::MeterTable t = m_workspace.meterTable();
        t.count = 4;
        t.entries[3] = {"000010000004", "01", "", ""};
        m_workspace.setMeterTable(t);
        const QString path = m_dir.filePath(QStringLiteral("odd.cfg"));
        MeterListDialog d(m_workspace, m_notifier);
        d.setPathChooser([path](QWidget*) { return path; });
        auto* grid = d.findChild<EditableGrid*>(QStringLiteral("meterGrid"));
        grid->writeCell(1, 1, QStringLiteral("1234"));  // short serial: would take the type's bytes
        grid->writeCell(2, 2, QStringLiteral("03-C ")); // blank at the end: trimmed on import
        d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        QVERIFY(QFile::exists(path));
        QVERIFY2(m_notifier.m_shown->back().text.contains(QStringLiteral("第 2, 3 行")),
                 qPrintable(m_notifier.m_shown->back().text));
    }

    void opensWithTheTableAndHandsBackTheEdits() {
        MeterListDialog d(m_workspace, m_notifier);
        auto* grid = d.findChild<EditableGrid*>(QStringLiteral("meterGrid"));
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->item(1, 2)->text(), QStringLiteral("02-水表"));
        QCOMPARE(grid->item(2, 2)->text(), QStringLiteral("64")); // 0x40 shown as its number
        grid->writeCell(0, 1, QStringLiteral("12345"));
        grid->writeCell(0, 2, QStringLiteral("03-C"));
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        const auto& e = m_workspace.meterTable().entries;
        QCOMPARE(e[0].editedSerial, std::string("12345"));
        QCOMPARE(e[0].editedType, std::string("3"));
        QCOMPARE(e[2].editedType, std::string("64")); // written back as the type it was
        QCOMPARE(e[0].readSerial, std::string("000010000001"));
    }

    void sameTypeAsFirstRow() {
        MeterListDialog d(m_workspace, m_notifier);
        auto* grid = d.findChild<EditableGrid*>(QStringLiteral("meterGrid"));
        grid->writeCell(0, 2, QStringLiteral("03-C"));
        d.findChild<QPushButton*>(QStringLiteral("sameTypeButton"))->click();
        for (int r = 0; r < 3; ++r)
            QCOMPARE(grid->item(r, 2)->text(), QStringLiteral("03-C"));
    }

    void saveAndImportRoundTrip_data() {
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("secondary") << true
                                   << QByteArray("00001000000101-A\n000010000002" +
                                                     QByteArray::fromStdString(kGbkName) +
                                                     "\n00001000000364\0",
                                                 52);
        QTest::newRow("primary") << false
                                 << QByteArray("01-A\n" + QByteArray::fromStdString(kGbkName) + "\n64\0", 16);
    }
    void saveAndImportRoundTrip() {
        QFETCH(bool, secondary);
        QFETCH(QByteArray, bytes);
        m_workspace.setSecondaryAddressing(secondary);
        const QString path = m_dir.filePath(QStringLiteral("list.cfg"));
        MeterListDialog d(m_workspace, m_notifier);
        d.setPathChooser([path](QWidget*) { return QStringLiteral("  ") + path + QStringLiteral(" "); });
        d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        QCOMPARE(ReadAll(path), bytes);
        MeterListDialog again(m_workspace, m_notifier);
        again.setPathChooser([path](QWidget*) { return path; });
        Write(path, "; comment\r\n\r\n" + bytes);
        again.findChild<QPushButton*>(QStringLiteral("importButton"))->click();
        QCOMPARE(again.rows(), d.rows());
        again.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        QCOMPARE(ReadAll(path), bytes); // byte for byte, GBK name included
    }

    void importEdgeCases_data() {
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("types"); // column 2 after the import
        QTest::newRow("comments and blanks only") << true << QByteArray(";x\n\n  \r\n") << QStringList{};
        QTest::newRow("secondary file in primary mode")
            << false << QByteArray("00001000000101-A\n") << QStringList{QStringLiteral("00001000000101-A")};
        QTest::newRow("short line") << true << QByteArray("12345\n") << QStringList{QString()};
    }
    void importEdgeCases() {
        QFETCH(bool, secondary);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, types);
        m_workspace.setSecondaryAddressing(secondary);
        const QString path = m_dir.filePath(QStringLiteral("in.cfg"));
        Write(path, file);
        MeterListDialog d(m_workspace, m_notifier);
        d.setPathChooser([path](QWidget*) { return path; });
        d.findChild<QPushButton*>(QStringLiteral("importButton"))->click();
        auto* grid = d.findChild<EditableGrid*>(QStringLiteral("meterGrid"));
        QCOMPARE(grid->rowCount(), types.size());
        *m_notifier.m_answer = true; // rows left empty are handed back once confirmed
        for (int r = 0; r < types.size(); ++r)
            QCOMPARE(grid->item(r, 2)->text(), types.at(r));
        d.findChild<QPushButton*>(QStringLiteral("setButton"))->click();
        // Meters the file has no row for get empty edits.
        QCOMPARE(m_workspace.meterTable().entries[2].editedSerial, std::string());
        QCOMPARE(m_workspace.meterTable().entries[2].editedType, std::string());
    }

    void emptyTableSavesAnEmptyFileAndLongImportsKeepEveryRow() {
        const QString path = m_dir.filePath(QStringLiteral("many.cfg"));
        QByteArray many;
        for (int i = 0; i < 200; ++i)
            many += QByteArray::number(100000000000 + i) + "45-Z\n";
        Write(path, many);
        m_workspace.setMeterTable({});
        MeterListDialog d(m_workspace, m_notifier);
        d.setPathChooser([path](QWidget*) { return path; });
        d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        QCOMPARE(ReadAll(path), QByteArray());
        Write(path, many);
        d.findChild<QPushButton*>(QStringLiteral("importButton"))->click();
        QCOMPARE(d.findChild<EditableGrid*>(QStringLiteral("meterGrid"))->rowCount(), 200);
        d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        many.back() = '\0';
        QCOMPARE(ReadAll(path), many);
        QVERIFY(m_notifier.m_shown->empty());
    }

    void failedSavesKeepTheOldFile() {
        // A folder that cannot be written, and a write cut short before the rename (file size limit).
        QDir(m_dir.path()).mkdir(QStringLiteral("ro"));
        const QString readOnly = m_dir.filePath(QStringLiteral("ro/old.cfg"));
        const QString cut = m_dir.filePath(QStringLiteral("cut.cfg"));
        Write(readOnly, "old");
        Write(cut, "old");
        QFile::setPermissions(m_dir.filePath(QStringLiteral("ro")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        MeterListDialog d(m_workspace, m_notifier);
        d.setPathChooser([readOnly](QWidget*) { return readOnly; });
        if (::access(qPrintable(m_dir.filePath(QStringLiteral("ro"))), W_OK) != 0) { // not as root
            d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
            QCOMPARE(ReadAll(readOnly), QByteArray("old"));
            QCOMPARE(m_notifier.m_shown->back().text,
                     QStringLiteral("File Error!\n无法写入 ") + readOnly + QStringLiteral(": 没有权限"));
            QCOMPARE(m_notifier.m_shown->back().caption, QStringLiteral("INFO"));
        }
        d.setPathChooser([cut](QWidget*) { return cut; });
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 10;
        setrlimit(RLIMIT_FSIZE, &small);
        d.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(ReadAll(cut), QByteArray("old"));
        QCOMPARE(m_notifier.m_shown->back().text,
                 QStringLiteral("File Error!\n无法写入 ") + cut + QStringLiteral(": 文件太大"));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("cut.cfg*")}, QDir::Files), QStringList{QStringLiteral("cut.cfg")});
        QFile::setPermissions(m_dir.filePath(QStringLiteral("ro")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

  private:
    QTemporaryDir m_dir;
    Workspace m_workspace;
    RecordingNotifier m_notifier;
};

QTEST_MAIN(MeterListDialogTest)
#include "meter_list_dialog_test.moc"
