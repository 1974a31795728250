#include "storage/DemoSeed.h"

namespace vendorcenter::server {

const DemoSeed &demoSeed()
{
    static const DemoSeed seed = {
        {
            {12, "Northwind Supply", 1},
            {14, "Harbor Freight Partners", 0},
            {21, "Blue Ridge Outfitters", 0},
            {30, "Lakeside Components", 1},
        },
        {
            {1, "Central Receiving", 1, "Columbus", 1, "2025-11-03 08:15:00"},
            {2, "Warehouse West", 1, "Sacramento", 1, "2025-11-03 08:15:00"},
            {3, "Great Lakes Fulfillment", 1, "Cleveland", 1, "2025-12-01 10:30:00"},
            {4, "Gulf Coast Logistics", 1, "Houston", 1, "2025-12-01 10:30:00"},
            {5, "Smith & Sons <North>", 1, "Duluth", 1, "2026-01-14 16:45:12"},
            {6, "Pacific Crossdock", 1, "Tacoma", 1, std::nullopt},
            {7, "Warehouse East", 2, "Toledo", 1, "2026-05-12 14:03:11"},
            {8,
                "Montr\xC3\xA9"
                "al Distribution",
                2,
                "Montr\xC3\xA9"
                "al",
                1, "2026-02-20 09:00:00"},
            {9, "Toronto Gateway", 2, "Toronto", 1, "2026-02-20 09:00:00"},
            {10, "Prairie Hub", 2, "Winnipeg", 1, "2026-03-02 11:20:40"},
            {11, "Atlantic Terminal", 2, "Halifax", 1, std::nullopt},
            {13, "Mountain States Depot", 1, "Denver", 1, "2025-10-07 07:05:00"},
            {15, "Piedmont Distribution", 1, "Charlotte", 1, "2025-10-07 07:05:00"},
            {16, "O'Hare Air Cargo", 1, "Chicago", 1, "2026-04-18 13:37:00"},
            {17, "Desert Sun Warehouse", 1, "Phoenix", 0, "2024-06-30 17:00:00"},
            {18, "Old Mill Storage", 1, std::nullopt, 0, std::nullopt},
            {19, "Bayou Transfer", 1, "New Orleans", 1, "2026-01-05 12:00:00"},
            {20, "Twin Cities Fulfillment", 1, "Minneapolis", 1, "2026-01-05 12:00:00"},
            {22,
                "Qu\xC3\xA9"
                "bec Entrep\xC3\xB4t",
                2,
                "Qu\xC3\xA9"
                "bec",
                1, "2026-03-15 15:10:00"},
            {23, "Vancouver Harbour", 2, "Vancouver", 1, "2026-03-15 15:10:00"},
            {24, "Calgary Crossroads", 2, "Calgary", 0, "2025-08-01 09:45:00"},
            {25, "Empire State Distribution", 1, "Albany", 1, "2025-09-09 09:09:09"},
            {26, "Keystone Logistics", 1, "Harrisburg", 1, std::nullopt},
            {27, "Riverfront Warehouse", 1, "St. Louis", 1, "2026-02-02 08:00:00"},
            {28, "Lone Star Depot", 1, "Dallas", 1, "2026-02-02 08:00:00"},
            {29, "Ottawa Valley Depot", 2, "Ottawa", 1, "2026-04-01 10:00:00"},
            {31, "Sierra Nevada Storage", 1, "Reno", 0, "2024-12-31 23:59:59"},
            {32, "Chesapeake Bay Terminal", 1, "Baltimore", 1, "2026-05-01 06:30:00"},
            {33, "Maritime Freight Yard", 2, "Saint John", 1, "2026-05-01 06:30:00"},
            {34, "Heartland Cold Storage", 1, "Omaha", 1, "2026-05-10 18:20:00"},
        },
        {
            {12, 3, 0.08, 1, "2026-01-10 09:00:00"},
            {12, 5, 0.125, 0, "2026-01-14 16:45:12"},
            {12, 9, 0.08, 1, "2026-02-20 09:05:00"},
            {12, 17, 0.05, 0, "2025-07-01 12:00:00"},
            {14, 2, 0.05, 0, "2025-11-03 08:30:00"},
            {14, 8, 0.125, 1, "2026-02-21 10:00:00"},
            {21, 1, 0.08, 0, "2025-12-12 11:11:11"},
            {21, 13, 0.1, 0, "2025-12-12 11:11:11"},
            {21, 22, 0.05, 1, "2026-03-16 08:00:00"},
            {30, 10, 0.075, 1, "2026-03-03 14:00:00"},
        },
    };
    return seed;
}

} // namespace vendorcenter::server
