#include "ui/setup_pane.hpp"

namespace tessarin {

SetupPane::SetupPane(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {}

SetupPane::~SetupPane() = default;

}  // namespace tessarin
