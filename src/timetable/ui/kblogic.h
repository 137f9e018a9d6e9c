// The logic headers the timetable screens use. Qt defines `slots` as a keyword macro, which
// would swallow the model's slot table (`School::slots`) when a Qt header came first; the
// screens include the timetable logic through here, in any order.
#pragma once

#pragma push_macro("slots")
#undef slots
#include "model/school.h"
#include "store/store.h"
#include "timetable/cells.h"
#include "timetable/history.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"
#pragma pop_macro("slots")
