#pragma once

#include <QByteArray>
#include <QString>

// Reading the HTML answer of a maintenance script: its paragraphs of class
// "corvanta_ok" / "corvanta_error" (the download's sections are read by
// TDownloadReader, which finds markers only where they may stand).
namespace ScriptAnswer {

// `<P CLASS="name">`
QByteArray Marker(const char* cssClass);
bool Has(const QByteArray& body, const char* cssClass);

// The text after the first marker of cssClass: at most `limit` characters,
// cut before the first "</P>" among them. With closeRequired the text is
// empty when no "</P>" lies within those characters. Empty when the marker
// is absent. The body is decoded with the site's character set, and the
// text is given as plain text: tags left out, character references decoded.
QString Text(const QByteArray& body, const char* cssClass, int limit, bool closeRequired,
             const QString& charSet);

} // namespace ScriptAnswer
