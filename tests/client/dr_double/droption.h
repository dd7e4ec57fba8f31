// Stand-in for the framework's option parser (see dr_api.h). Only the
// argument walk of the parser is modelled: no option is ever declared here.
#ifndef QRX_TESTS_DR_DOUBLE_DROPTION_H
#define QRX_TESTS_DR_DOUBLE_DROPTION_H

#include <string>

namespace dynamorio {
namespace droption {

enum droption_scope_t {
  DROPTION_SCOPE_CLIENT = 0x0002,
};

class droption_parser_t {
 public:
  // Walks argv[1..argc-1]; "--" ends the walk. Any other argument is an
  // undeclared option and fails the parse with "Unknown option: ARG".
  static bool parse_argv(droption_scope_t scope, int argc, const char* argv[],
                         std::string* error_msg, int* last_index);
};

}  // namespace droption
}  // namespace dynamorio

#endif  // QRX_TESTS_DR_DOUBLE_DROPTION_H
