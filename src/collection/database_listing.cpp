#include "collection/database_listing.h"

#include <functional>

void EnableDatabaseMode(TGameListCore& list, TDatabaseMode& mode) {
    list.OpenDatabase = [&mode](TGameListCore& sender, const std::string& path) {
        // The check and a rebuild run under the hourglass.
        struct Hourglass {
            std::function<void(bool)>& hook;
            bool armed;
            explicit Hourglass(std::function<void(bool)>& h) : hook(h), armed(static_cast<bool>(h)) {
                if (armed) hook(true);
            }
            ~Hourglass() {
                if (armed && hook) hook(false);
            }
        } hourglass(sender.OnBusyCursor);
        return mode.OpenDatabase(path);
    };
    mode.OnTrace = [&list](std::int32_t percent, TCancelMode& answer) {
        if (list.OnPGNTrace) list.OnPGNTrace(list, percent, answer);
    };
}
