// The label windows: LABEL_S ("Výběr štítku", the layouts with the print options
// "Počet kopií:", "Vynechat:" and "Řádkování:"), LABEL_U ("Update the Label
// File", the layout form with its font sample and font dialog) and LABEL_R, the
// run that prints the selection's labels through the progress window and the
// preview.
#pragma once

#include "app/selections/labels/label_run.h"
#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::selections {

// LABEL_S called to pick a layout: true with the layout in Label's buffer and the
// options chosen (1, 0 and 1.0 on every opening).
bool selectLabel(frame::WindowContext& context, QWidget* parent, LabelOptions* options);

// LABEL_U for a request on Label's buffer.
int runLabelForm(frame::WindowContext& context, QWidget* parent, int request);

// LABEL_R: labels for the whole selection; the preview, then the printer.
void printLabels(frame::WindowContext& context, QWidget* parent);

} // namespace zv::selections
