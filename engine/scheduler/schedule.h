#pragma once
// Schedule: the one stored schedule (when the ticks of a profile are to be cleaned without the
// user), kept as text properties under HKCU "Software\lumarq2\schedule", and the unattended run
// of a profile's ticks.
#include <functional>
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

struct CatalogueItem;

class Schedule : public EngineObject {
public:
    const std::string& Schedule_Type() const { return type_; }
    void Schedule_Type(std::string value) { type_ = std::move(value); }
    const std::string& Interval() const { return interval_; }
    void Interval(std::string value) { interval_ = std::move(value); }
    const std::string& Schedule_Date() const { return date_; }
    void Schedule_Date(std::string value) { date_ = std::move(value); }
    const std::string& Day() const { return day_; }
    void Day(std::string value) { day_ = std::move(value); }
    const std::string& Minutes() const { return minutes_; }
    void Minutes(std::string value) { minutes_ = std::move(value); }
    const std::string& Hour() const { return hour_; }
    void Hour(std::string value) { hour_ = std::move(value); }
    // The profile whose ticks RunSchedule cleans; never stored.
    const std::string& Profile() const { return profile_; }
    void Profile(std::string value) { profile_ = std::move(value); }
    const std::string& AMPM() const { return ampm_; }
    void AMPM(std::string value) { ampm_ = std::move(value); }

    // Writes the seven values trimmed, a one-character Hour or Minutes with a "0" in front (the
    // property too). Every failing write is passed over.
    void SaveSchedule();
    // Reads the seven values; a missing one reads empty. Profile is left alone.
    void LoadSchedule();
    // Cleans what the profile ticked, in the fixed order of the scheduled run; every line the
    // cleaners log comes out as AddToLog. A profile that does not exist cleans nothing and says so.
    void RunSchedule();

    Event<std::string> AddToLog;

private:
    std::string type_, interval_, date_, day_, minutes_, hour_, profile_, ampm_;
};

// Who runs without the screens: a schedule, or the command line naming items. The command line
// also reaches the items a schedule leaves out (the Run dialog's history).
enum class Unattended { Schedule, NamedItems };

// The catalogue's items, category by category in its order, for ticks that need not be a stored
// profile's: `tick_of(check_box)` answers "true", "false" or "" (never stored) for each check box,
// `before_item` hears of each item about to run, and every line the cleaners log comes out as
// `log`. A schedule first switches on the tweaks its profile ticks.
void run_ticks(Unattended run, const std::function<std::string(const std::string& check_box)>& tick_of,
               Event<std::string>& log, const std::function<void(const CatalogueItem& item)>& before_item = {});

}  // namespace engine
