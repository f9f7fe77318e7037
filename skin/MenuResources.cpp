#include "skin/MenuResources.h"

MenuDesc LoadMenuResource(int id) {
  switch (id) {
    case 507:
      return {MenuPopup("Combination", {
                                           MenuCommand("Copy", 33038),
                                           MenuCommand("Paste", 33039),
                                           MenuCommand("Remove", 33040),
                                           MenuCommand("Clear", 33043),
                                           MenuSeparator(),
                                           MenuCommand("To edit area", 33041),
                                           MenuCommand("Apply to all", 33042),
                                       })};
    default: return {};
  }
}
