#include "app/NamingStages.h"

namespace app {

renaming::NameRule ConversionNameRule(const convert::RunOptions& options) {
    renaming::NameRule rule;
    rule.prefix = options.namePrefix;
    rule.suffix = options.nameSuffix;
    rule.start = options.nameStart;
    rule.digits = options.nameDigits;
    rule.caseRule = options.nameCase;
    rule.outputFolder = options.outputFolder;
    rule.appendExtension = false;
    return rule;
}

std::vector<std::string> NamingStages::GeneratedNames(const convert::RunOptions& options,
                                                      const std::vector<std::string>& list) {
    return renaming::MakeDestinationNames(list, ConversionNameRule(options));
}

} // namespace app
