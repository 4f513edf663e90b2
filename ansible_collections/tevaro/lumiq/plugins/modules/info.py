#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: info
short_description: Find Lumiq modules and read their parameters
version_added: 1.14.0
description:
  - Runs C(lumiq read) on the managed host. It searches the modules on its LAN and reads every parameter and the firmware
    version of each target (by default of every module found).
  - Changes nothing. A target that does not answer, or answers wrongly, fails the task, which still returns
    C(modules). Asked for every module, a LAN where none answers gives an empty list and a warning.
author:
  - Lumiq tools team (@tevaro)
extends_documentation_fragment:
  - tevaro.lumiq.lumiq
  - tevaro.lumiq.lumiq.attributes
attributes:
  check_mode:
    support: full
    details:
      - It only reads, so it runs in check mode as it does otherwise.
  diff_mode:
    support: N/A
  idempotent:
    support: full
  platform:
    platforms: posix
notes:
  - Without I(targets) every module found is read (C(lumiq read all)).
seealso:
  - module: tevaro.lumiq.apply
'''

EXAMPLES = r'''
- name: Read every module of the line
  tevaro.lumiq.info:
    adapter: [enp3s0]
  register: line

- name: Show each module's address and name
  ansible.builtin.debug:
    msg: "{{ line.modules | map(attribute='values') | map(attribute='name') | list }}"

- name: Read two modules, failing unless both answer
  tevaro.lumiq.info:
    targets:
      - 02:4c:51:00:00:01
      - 10.1.0.102
'''

RETURN = r'''
modules:
  description: One entry per module or target, as in lumiq's JSON document.
  returned: when lumiq ran
  type: list
  elements: dict
  contains:
    mac:
      description: The MAC text the module answers to.
      type: str
      returned: always
      sample: 02:4c:51:00:00:01
    status:
      description: C(ok), or why it did not succeed (C(failed), C(not-found), C(ambiguous), C(cancelled)).
      type: str
      returned: always
      sample: ok
    target:
      description: The target that named it, as given.
      type: str
      returned: when named by a target
      sample: 10.1.0.102
    address:
      description: The address it answered from.
      type: str
      returned: when the module answered
      sample: 10.1.0.101
    adapter:
      description: The adapter it answered on.
      type: str
      returned: when the module answered
      sample: enp3s0
    detail:
      description: Why it did not succeed.
      type: str
      returned: when the module did not succeed
      sample: no module answered the search as 02:4c:51:00:00:09
    values:
      description: Its parameters and firmware version by key, in lumiq's text forms.
      type: dict
      returned: when the module answered
      sample: {"mode": "TCP_Server", "ip": "10.1.0.101", "port": "8001", "dhcp": "off", "name": "Press-001",
               "baud": "9600", "mac": "02:4c:51:00:00:01", "version": "V2.0"}
lumiq:
  description: The run of lumiq.
  returned: when lumiq ran
  type: dict
  contains:
    exitStatus:
      description: lumiq's exit status.
      type: int
      returned: always
      sample: 0
    command:
      description: The command line run.
      type: list
      elements: str
      returned: always
      sample: ["/usr/bin/lumiq", "read", "--json", "--", "all"]
    stderr:
      description: What lumiq said on stderr.
      type: str
      returned: always
      sample: 'lumiq: 2 modules answered'
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tevaro.lumiq.plugins.module_utils.lumiq_runner import (
    LumiqRunner, common_options, exit_meaning)


def module_options():
    return common_options()


def main():
    module = AnsibleModule(argument_spec=module_options(), supports_check_mode=True)
    targets = module.params['targets'] or ['all']
    runner = LumiqRunner(module)
    run = runner.run('read', targets=targets)
    result = dict(changed=False, modules=run.modules, lumiq=run.summary())

    nothing_found = (exit_meaning(run.status) == 'nothing-found' and not run.document.get('error')
                     and not run.modules)
    if nothing_found and targets == ['all']:
        module.warn('no module answered the search')
        module.exit_json(**result)
    runner.finish(run, ('ok',), result)


if __name__ == '__main__':
    main()
