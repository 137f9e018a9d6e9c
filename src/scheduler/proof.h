// Exact checks, cheap enough to run before every search, that find schools whose lessons
// cannot all be placed whatever the search does, and name the cause in the program's words.
// Each finding is a proof: no timetable places every lesson (or, for doubles, forms every
// wanted double) while the school's data stay as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/school.h"
#include "scheduler/engine.h"

namespace tavrin::scheduler {

// Every obstacle of the classes scheduled (banKeep[b] = 0), with the kept classes' lessons
// standing where they are: the classes' weekly counts, then per teacher (with their combined
// groups), then the classes' lessons among themselves, then the doubles. A cause is named
// once: a teacher's not when one class's count says it, a class's not when its teachers' say it.
std::vector<Obstacle> findObstacles(const model::School& s, const std::vector<std::uint8_t>& banKeep,
                                    const std::vector<KeptLesson>& kept);

// Lessons that no timetable can place, at least: the classes' shortfalls summed (each class's
// largest), or a teacher's when that is larger; 0 when nothing is short.
int lessonsThatCannotStand(const std::vector<Obstacle>& obstacles);

}  // namespace tavrin::scheduler
