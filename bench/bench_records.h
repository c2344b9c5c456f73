// The records of the benchmark: what the client sends and the bytes it
// expects back. The agent runs with only the CPU check offered; the OpenSSH
// responder writes the same greeting and answers every read with the same
// listing.
#ifndef QUOR2_BENCH_BENCH_RECORDS_H_
#define QUOR2_BENCH_BENCH_RECORDS_H_

namespace bench {

constexpr char greeting[] =
    "#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#";
constexpr char list_request[] = "#keycount=3#sessionid=1#requestaction=listchecks#";
constexpr char listing[] =
    "#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
    "checkdescription1=CPU Usage#available1=true#";
constexpr char define_request[] = "#keycount=4#sessionid=1#requestaction=definecheck#checkid=CPU#";
constexpr char definition[] =
    "#keycount=4#responseaction=definecheck#sessionid=1#checkid=CPU#parameters=\""
    "#paramname1=Load Limit [%]#paramtype1=longinteger#maxlength1=200#\"#";

}  // namespace bench

#endif  // QUOR2_BENCH_BENCH_RECORDS_H_
