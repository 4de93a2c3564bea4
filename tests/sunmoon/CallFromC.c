/* A C caller of the library: the header compiles as C, and the entry points
 * link with C linkage. */

#include "sunmoon/Orbex_sunmoon.h"

void SunMoonCallFromC(uint8_t body, double angles[5]);

void SunMoonCallFromC(uint8_t body, double angles[5]) {
    DataToDLL(2024, 3, 15, 18, 30, 0, 120.0, 52.2, 5.4, 0, body, 0.0);
    angles[0] = GetAzimuth();
    angles[1] = GetElevation();
    angles[2] = GetGHA();
    angles[3] = GetDecTopo();
    angles[4] = GetDistance();
}
