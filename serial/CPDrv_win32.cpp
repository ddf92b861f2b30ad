#include "CPDrv.h"

TCommPortDriver::TCommPortDriver() = default;
TCommPortDriver::~TCommPortDriver() { ClosePort(); }
bool TCommPortDriver::IsPortOpen() const { return handle_ != -1; }
bool TCommPortDriver::OpenPort() { return false; }
void TCommPortDriver::ClosePort() {}
bool TCommPortDriver::SendText(const std::string&) { return false; }
std::string TCommPortDriver::ReadText(int) { return {}; }
