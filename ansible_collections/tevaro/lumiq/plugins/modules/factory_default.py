#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Tevaro-Team

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: factory_default
short_description: Restore the factory values of Lumiq modules
version_added: 1.14.0
description:
  - Runs C(lumiq default TARGETS --yes) on the managed host. Each target restores its factory values (its MAC and
    address included) and is read back two seconds later.
  - The targets must be named; every module found is restored only with I(all=true).
  - A target that is not found, refuses or does not confirm fails the task, which still returns C(modules).
author:
  - Lumiq tools team (@tevaro)
extends_documentation_fragment:
  - tevaro.lumiq.lumiq
  - tevaro.lumiq.lumiq.attributes
attributes:
  check_mode:
    support: partial
    details:
      - In check mode nothing is run, not even a search, and the task reports a change for the targets named.
  diff_mode:
    support: none
  idempotent:
    support: none
    details:
      - Every run sends the factory default again and reports a change.
  platform:
    platforms: posix
options:
  targets:
    description:
      - The modules to restore, each a MAC text or the address it answers from. C(all) is refused here; use I(all).
  all:
    description:
      - Restore every module the search finds. Mutually exclusive with I(targets).
    type: bool
    default: false
seealso:
  - module: tevaro.lumiq.apply
'''

EXAMPLES = r'''
- name: Restore one module's factory values
  tevaro.lumiq.factory_default:
    targets: [02:4c:51:00:00:07]

- name: Restore every module on the test bench's adapter
  tevaro.lumiq.factory_default:
    adapter: [enp4s0]
    all: true
'''

RETURN = r'''
modules:
  description: One entry per module or target, as in lumiq's JSON document, with its values as read back.
  returned: when lumiq ran
  type: list
  elements: dict
  contains:
    mac:
      description: The MAC text the module answers to now (after the default, its factory MAC).
      type: str
      returned: always
      sample: 02:4c:51:00:00:07
    status:
      description: C(ok), or why it did not succeed (C(failed), C(not-found), C(ambiguous), C(cancelled)).
      type: str
      returned: always
      sample: ok
    detail:
      description: Why it did not succeed.
      type: str
      returned: when the module did not succeed
      sample: 'factory default: timeout'
    values:
      description: Its parameters by key, as read back after the default.
      type: dict
      returned: when the module answered
      sample: {"ip": "192.168.1.7", "name": "LUMIQ"}
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
      sample: ["/usr/bin/lumiq", "default", "--yes", "--json", "--", "02:4c:51:00:00:07"]
    stderr:
      description: What lumiq said on stderr.
      type: str
      returned: always
      sample: 'lumiq: 1 module answered'
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tevaro.lumiq.plugins.module_utils.lumiq_runner import (
    LumiqRunner, common_options, default_changed)


def module_options():
    options = common_options()
    options.update(all=dict(type='bool', default=False))
    return options


def main():
    module = AnsibleModule(
        argument_spec=module_options(),
        mutually_exclusive=[('targets', 'all')],
        supports_check_mode=True,
    )
    targets = module.params['targets'] or []
    if any(target.strip().lower() == 'all' for target in targets):
        module.fail_json(msg='targets holds "all": to restore every module found, give all: true instead')
    if module.params['all']:
        targets = ['all']
    if not targets:
        module.fail_json(msg='name the modules to restore in targets, or give all: true')
    if module.check_mode:
        module.exit_json(changed=True, msg='check mode: the factory default would be sent to %s' % ', '.join(targets))

    # --yes: lumiq asks on a terminal only, and without one refuses unless told.
    runner = LumiqRunner(module)
    run = runner.run('default', ['--yes'], targets)
    result = dict(changed=default_changed(run.modules), modules=run.modules, lumiq=run.summary())
    runner.finish(run, ('ok',), result)


if __name__ == '__main__':
    main()
