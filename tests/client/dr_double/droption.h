// Stand-in for the framework's option parser (see dr_api.h): options are
// declared as droption_t objects of client scope; the parser walks argv,
// "--" ends the walk, and an argument that names no declared option fails
// the parse with "Unknown option: ARG".
#ifndef QRX_TESTS_DR_DOUBLE_DROPTION_H
#define QRX_TESTS_DR_DOUBLE_DROPTION_H

#include <string>
#include <vector>

namespace dynamorio {
namespace droption {

enum droption_scope_t {
  DROPTION_SCOPE_CLIENT = 0x0002,
};

class droption_parser_t {
 public:
  static bool parse_argv(droption_scope_t scope, int argc, const char* argv[],
                         std::string* error_msg, int* last_index);

 protected:
  // A declared option: its name, and how to take its value.
  struct Declared {
    std::string name;
    droption_parser_t* option;
  };
  static std::vector<Declared>& declared();
  virtual bool take_value(const std::string& value) = 0;
  virtual void reset_value() = 0;
  virtual ~droption_parser_t() = default;
};

template <typename T>
class droption_t : public droption_parser_t {
 public:
  droption_t(droption_scope_t, std::string name, T default_value, std::string /*desc_short*/,
             std::string /*desc_long*/)
      : default_(default_value), value_(default_value) {
    declared().push_back({std::move(name), this});
  }
  T get_value() const { return value_; }

 private:
  bool take_value(const std::string& value) override {
    value_ = value;
    return true;
  }
  void reset_value() override { value_ = default_; }
  T default_;
  T value_;
};

}  // namespace droption
}  // namespace dynamorio

#endif  // QRX_TESTS_DR_DOUBLE_DROPTION_H
