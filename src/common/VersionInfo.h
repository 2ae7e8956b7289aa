#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace tesk {

// The version information of a program file: the fifteen values of its
// version record. Every program that links tesk_core carries the record of
// its build (see VersionRecord.h.in); GetInfo reads it from any file on disk,
// so the update client can read a downloaded build as well as the running one.
//
// A file without a record, one that cannot be read, or a record without a
// translation entry gives "<info not available>" for the first fourteen
// values and an empty SpecialBuild; no error is raised.
class TCEVersionInfo : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString CompanyName READ CompanyName)
    Q_PROPERTY(QString FileDescription READ FileDescription)
    Q_PROPERTY(QString FileVersion READ FileVersion)
    Q_PROPERTY(QString Internalname READ Internalname)
    Q_PROPERTY(QString LegalCopyright READ LegalCopyright)
    Q_PROPERTY(QString LegalTradeMarks READ LegalTradeMarks)
    Q_PROPERTY(QString OriginalFilename READ OriginalFilename)
    Q_PROPERTY(QString ProductName READ ProductName)
    Q_PROPERTY(QString ProductVersion READ ProductVersion)
    Q_PROPERTY(QString Comments READ Comments)
    Q_PROPERTY(QString MajorVersion READ MajorVersion)
    Q_PROPERTY(QString MinorVersion READ MinorVersion)
    Q_PROPERTY(QString Release READ Release)
    Q_PROPERTY(QString Build READ Build)
    Q_PROPERTY(QString SpecialBuild READ SpecialBuild)

public:
    static const QString NotAvailable; // "<info not available>"

    // Reads the running program's own file (or, before the application
    // object exists, the record compiled into this program).
    explicit TCEVersionInfo(QObject* owner = nullptr);

    // Reads fileName and replaces all fifteen values.
    void GetInfo(const QString& fileName);

    QString CompanyName() const { return m_values[0]; }
    QString FileDescription() const { return m_values[1]; }
    QString FileVersion() const { return m_values[2]; }
    QString Internalname() const { return m_values[3]; }
    QString LegalCopyright() const { return m_values[4]; }
    QString LegalTradeMarks() const { return m_values[5]; }
    QString OriginalFilename() const { return m_values[6]; }
    QString ProductName() const { return m_values[7]; }
    QString ProductVersion() const { return m_values[8]; }
    QString Comments() const { return m_values[9]; }
    QString MajorVersion() const { return m_major; }
    QString MinorVersion() const { return m_minor; }
    QString Release() const { return m_release; }
    QString Build() const { return m_build; }
    QString SpecialBuild() const { return m_special; }

private:
    void fillPlaceholders();
    void readRecord(const QByteArray& body);
    // Lower-case query paths to values (a record, or a version resource).
    void readEntries(const QHash<QString, QString>& entries);
    void splitFileVersion();

    QString m_values[10];
    QString m_major, m_minor, m_release, m_build, m_special;
};

// One "path=value" entry of a version record, e.g.
// {"\\StringFileInfo\\041D04B0\\ProductVersion", "1.12.0.0"}.
struct VersionRecordEntry {
    QString path;
    QString value;
};

// A version record block as a build carries it; written into any file, the
// reader finds it there. For the update server simulator and for tests.
QByteArray ComposeVersionRecord(const QList<VersionRecordEntry>& entries);

// The record of a build with the given versions, under the Swedish/Unicode
// translation 041D04B0, with this build's company and product names.
QByteArray ComposeVersionRecord(const QString& fileVersion, const QString& productVersion);

} // namespace tesk
