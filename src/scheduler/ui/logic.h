// The logic headers the scheduling screens use. Qt defines `slots` as a keyword macro,
// which would swallow the model's slot table (`School::slots`) when a Qt header came
// first; the screens include the model through here, in any order.
#pragma once

#pragma push_macro("slots")
#undef slots
#include "model/loaders.h"
#include "model/school.h"
#include "scheduler/conditions.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/proof.h"
#include "scheduler/save.h"
#include "store/store.h"
#pragma pop_macro("slots")
