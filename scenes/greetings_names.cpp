// Fictional group names, by initial from A to V; the H-name stands before the G-name.
#include "scenes/greetings_names.h"

const char* const greetingsNames[31] = {
    "AMBER-KETTLE", "ANVILMOTH",     "BRASSNEEDLE",   "BLUE-PARSNIP", "CINDERWAX",
    "COLD-TURNIP",  "DUSKFERRET",    "DRY-MARMOT",    "EMBERSLOTH",   "FOGLANTERN",
    "HOLLOW-QUAIL", "GRAVELBEETLE",  "INKWELL-OXEN",  "JUNIPERCRANK", "KNOTTED-YAK",
    "LINTPIRATES",  "MOSSVOLTAGE",   "MUDLARK-FOUR",  "NEONHERRING",  "OTTERGRID",
    "PEWTERFOX",    "PICKLE-ORBIT",  "QUARTZ-NOODLE", "RUBBER-COMET", "RAVENSLEDGE",
    "SODIUMSWAN",   "SAWDUST-CHOIR", "TINFOILBADGER", "TURNIPTRON",   "UMBERWHISK",
    "VELVETANVIL",
};
