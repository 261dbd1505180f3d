#include "skydata/object_types.h"

const ObjectTypeCode objectTypeCodeTable[] = {
    {1, "SS"},   {2, "SD"},   {3, "SB"},   {4, "SDV"},  {5, "SBV"},  {6, "SV"},   {7, "SN"},
    {9, "NS"},   {10, "DS"},  {11, "OC"},  {12, "GC"},  {13, "BN"},  {14, "DN"},  {15, "PN"},
    {16, "GX"},  {17, "GS"},  {18, "GE"},  {19, "GI"},  {20, "QS"},  {21, "RS"},  {22, "XS"},
    {23, "GM"},  {24, "BH"},  {29, "ND"},  {30, "PLA"}, {31, "PMN"}, {33, "AST"}, {34, "COM"},
    {35, "SAT"}, {36, "SPC"}, {39, "FEA"}, {40, "CON"}, {41, "ASM"}, {42, "MET"},
};

const int objectTypeCodeTableSize = sizeof(objectTypeCodeTable) / sizeof(objectTypeCodeTable[0]);
