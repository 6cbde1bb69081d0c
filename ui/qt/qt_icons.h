// The runtime's own icons by name ("ABUPROW.ICO"), drawn with the style's standard pixmaps.
#pragma once

#include <QIcon>
#include <string_view>

namespace veltrano::ui::qt {

// A null icon for a name the runtime does not know.
QIcon runtimeIcon(std::string_view name);

}  // namespace veltrano::ui::qt
