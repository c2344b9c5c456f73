// The check items of the listing with all nine checks offered, as the factory
// renders them and as they travel in a listchecks response.
#ifndef QUOR2_TESTS_SUPPORT_CHECK_LISTING_H_
#define QUOR2_TESTS_SUPPORT_CHECK_LISTING_H_

namespace testing_support {

inline constexpr const char* all_checks_listing =
    "#checkid1=CPU#checkdescription1=CPU Usage#available1=true"
    "#checkid2=Certificate#checkdescription2=Certificate validity test#available2=true"
    "#checkid3=DiskSpace#checkdescription3=DiskSpace Usage#available3=true"
    "#checkid4=Ping#checkdescription4=Host or IP ping test#available4=true"
    "#checkid5=Processes#checkdescription5=Running processes#available5=true"
    "#checkid6=RAM#checkdescription6=RAM Usage#available6=true"
    "#checkid7=SNMP#checkdescription7=SNMP v2c value check#available7=true"
    "#checkid8=Swap#checkdescription8=Swap Usage#available8=true"
    "#checkid9=URL#checkdescription9=URL status test#available9=true#";

}  // namespace testing_support

#endif  // QUOR2_TESTS_SUPPORT_CHECK_LISTING_H_
