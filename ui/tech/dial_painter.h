// Painting of the technical panel: the dial face, drawn once, and each frame's pointers and
// texts over a copy of it. Painting depends only on the frame description it is given.
#pragma once

#include "core/tech/tech_panel.h"

#include <QFont>
#include <QImage>

class QPainter;

namespace ui {

/// The canvas font of the texts: 12 pt (16 pixels) bold.
QFont TechFont();

/// The dial face picture, 530 x 354: black, the grey frame lines, and for each dial its red
/// caption and graduated ring (antialiased), numerals upright outside the ring.
QImage DrawDialFace();

/// Paints one frame over the face already on the painter's device: both dials' pointers
/// (solid, not antialiased, between the exact pixel ends), their texts on black and the
/// mode line.
void PaintTechFrame(QPainter& painter, const core::TechFrame& frame);

} // namespace ui
