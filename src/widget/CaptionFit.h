#pragma once

class QWidget;

namespace vendorcenter {

// The width a widget's caption needs, as its style draws it (the text, and
// for check and option boxes the box beside it), and the width the widget
// gives it. Widgets without a caption need nothing.
int captionWidthNeeded(const QWidget *widget);
int captionWidthGiven(const QWidget *widget);

// The layout keeps its places in twips whatever the font, so a caption that
// would be cut off (a wider font than the one the layout was drawn for, a
// longer translation) gets a smaller size of the font, for that widget only.
void fitCaptions(QWidget *control);

} // namespace vendorcenter
