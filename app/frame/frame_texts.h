// The frame's status-bar texts, written in English as the frame's standard items carry them,
// in Russian for the clerk.
#pragma once

#include <span>

#include "framework/translator.h"

namespace veltrano::app {

std::span<const framework::Translation> frameTextsRussian();

}  // namespace veltrano::app
