// The property sheet's three pages as tables: the same templates the module's
// resources hold (both are built from resources/sheet_resources.h), for the
// code that creates pages without reading the module's resources (the
// simulated window system) and for the tests that hold the two together.
#pragma once

#include "platform/dialog.h"

namespace torvex {

// Templates 107, 109 and 108, in the order of the sheet's tabs.
extern const DialogTemplate kTestPageTemplate;
extern const DialogTemplate kCalibrationPageTemplate;
extern const DialogTemplate kEffectPageTemplate;

// The page with template id `templateId`; null for any other id.
const DialogTemplate* FindPageTemplate(WORD templateId);

} // namespace torvex
