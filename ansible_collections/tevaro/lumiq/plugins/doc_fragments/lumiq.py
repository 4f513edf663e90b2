# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):

    # The options every module passes on to lumiq.
    DOCUMENTATION = r'''
options:
  executable:
    description:
      - The C(lumiq) program to run on the managed host.
      - By default C(lumiq) is looked for on C(PATH) and in the usual program folders.
    type: path
  adapter:
    description:
      - Search on these adapters only, each named by its name or its address (C(--adapter), once per item).
      - C(all), or leaving it out, searches on every adapter that is up and can broadcast.
    type: list
    elements: str
  targets:
    description:
      - The modules to work on, each a MAC text (such as C(02:4c:51:00:00:01)) or the address it answers from.
      - A target that no module answers for fails the task.
      - Quote a MAC text made only of digits and colons, which YAML would otherwise read as a number in base 60.
    type: list
    elements: str
  wait:
    description:
      - How long each search round waits for answers, in milliseconds (C(--wait); lumiq's default is 1000).
    type: int
  timeout:
    description:
      - An exchange without a reply is sent again after this many milliseconds (C(--timeout); lumiq's default is 1000).
    type: int
  parallel:
    description:
      - Work on at most this many modules at once (C(--parallel)).
    type: int
  expect:
    description:
      - How many modules must answer (C(--expect)); fewer answering fails the task.
    type: int
  rounds:
    description:
      - Search this many times and merge the answers (C(--rounds)).
    type: int
  broadcast:
    description:
      - Broadcast every frame, also to modules that could be sent theirs straight (C(--broadcast)).
    type: bool
    default: false
notes:
  - Lumiq modules answer on their own LAN segment only, so lumiq runs on a host of that segment;
    target the line PC with the module, not the Ansible controller.
  - Every run reports each module by its MAC text, the address it answered from and the adapter it answered on.
requirements:
  - lumiq (from the lumiq-config package) on the managed host
'''

    # The descriptions of the attributes the modules declare.
    ATTRIBUTES = r'''
options: {}
attributes:
  check_mode:
    description: Can run in check_mode and return changed status prediction without modifying target.
  diff_mode:
    description: Will return details on what has changed (or possibly needs changing in check_mode), when in diff mode.
  idempotent:
    description:
      - When run twice in a row outside check mode, with the same arguments, the second run reports no change.
  platform:
    description: Target OS/families that can be operated against.
    support: N/A
'''
