// The user manual: Markdown rendered to a numbered A4 PDF.
#pragma once

#include <QString>

namespace docgen {

/// Renders the Markdown file `source` to the PDF `target` with the document title `title`.
///
/// Beyond Qt's Markdown (GitHub dialect: headings, lists, tables, code blocks, images):
/// - a level-2 heading (a chapter) starts a new page;
/// - an image whose title is a percentage, ![alt](picture.png "40%"), is as wide as that share
///   of the text width; any other image wider than the text is scaled down to it;
/// - the list right after the heading "Содержание" is the table of contents: each item that
///   names a heading (the heading's text without its leading number) gets that heading's
///   page number at the right margin;
/// - every page but the first is numbered at the bottom.
/// Returns the exit status: 0 done, 2 the source cannot be read or the PDF not written.
int RenderManual(const QString& source, const QString& target, const QString& title);

} // namespace docgen
