// What assistive technology sees of a LargeTextEdit: an editable multi-line
// text, read, navigated and edited through the toolkit's text interfaces.
// Their offsets count UTF-16 units of the whole text, so each question costs
// time in proportion to how far into the text it reaches; the field does
// that work only while an assistive tool is listening.
#pragma once

// Makes the toolkit build the interface for every LargeTextEdit; the first
// call does it, later ones nothing.
void installLargeTextAccessibility();
