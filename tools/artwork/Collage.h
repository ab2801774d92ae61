#pragma once

#include <cairo.h>

#include "tools/artwork/Scene.h"

namespace velmar::artwork {

// The welcome screen's decoration: cards of the service's analytics pages, drawn into `area`.
void paintCollage(cairo_t* cr, const Box& area);

}  // namespace velmar::artwork
