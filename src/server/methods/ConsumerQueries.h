#pragma once

#include <QString>

namespace cns {

// The SQL of the consumer reads that several methods share.
namespace ConsumerQueries {

// The consumer packet's columns in its order, the display names joined in, for the consumers of
// :P_CDCLIENTE (more conditions may be appended with AND).
QString consumersOfClient();
// The stable order of a client's consumers: chunk positions count in it.
QString consumerOrder();
// The branches of :P_CDCLIENTE, all when :P_TCDFILIAL is 'T', else only :P_CDFILIAL.
QString branchesOfClient();
// The consumers anywhere whose site access code is :P_NMLOGINCONS (blanks around it and letter case
// ignored), with their client's name, leaving out the one of code :P_CDCONSUMIDOR whose client has
// the registration number :P_NRINSJURCLIE when :P_TEMCLIENTE is 'S'.
QString holdersOfSiteCode();

} // namespace ConsumerQueries

} // namespace cns
