#pragma once

#include "Register.h"

#include <QString>
#include <vector>

// The texts the server sends, one function per answer. Every field is made
// wire-safe first: a name typed by a user must not be able to end a field,
// a record or the message early.
namespace tesk::sim::msg {

// Replaces the characters that structure a message (":" "~" "¤") and removes
// data markers from a text that goes out as one field.
QString WireSafe(const QString& text);

// "yyyy-MM-dd HH:mm:ss"; empty for an invalid time (reads as not set).
QString WireDateTime(const QDateTime& dt);

QString ServerVersion(const QString& version);
QString ClinicName(const QString& name);
QString IniText(const QString& value);
QString ClientData(const SimClient& client);
// Every resource, inactive ones included: name, number, colour, three empty
// fields, "T"/"F".
QString AllCallables(const Register& reg);
// The client's station as pairs of resource number and 0-based position.
QString StationCallables(const QList<int>& station);
// One record per resource in the given order, CallIX counting from 1.
QString CurrentList(const std::vector<const SimResource*>& resources);
QString ErrorReport(const QString& text); // "ERROR: " + text, unframed
QString NotRegistered();                  // "ERROR: 001"

} // namespace tesk::sim::msg
