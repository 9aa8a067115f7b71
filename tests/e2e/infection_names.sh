# The worm names the planted infection set uses. Each listed one must be an item of the shipped database
# (signatures/data/); the end-to-end runner checks that before it plants anything.
# Sourced by plant_infections.sh and the checks.

NAME_FILES=msnus               # group F: copied into every folder the file removal visits, two copies run
NAME_GROUP_B=svchost           # group B: worm copies outside System32, the genuine program stays
NAME_RUN_HKLM=winsys           # machine-wide Run value "Microsoft Update"
VALUE_RUN_HKLM='Microsoft Update'
NAME_RUN_HKCU=winhost          # per-user Run value "win32", quoted path with an argument
VALUE_RUN_HKCU=win32
NAME_RUN_SERVICES=nvsc32       # RunServices value "NvCplScan"
VALUE_RUN_SERVICES=NvCplScan
NAME_SERVICE=wgavn             # a service whose image is NAME_SERVICE.exe -service
# What 32-bit worms leave on 64-bit Windows, each with a copy in the 32-bit system folder (syswow64):
NAME_RUN_WOW64=msmbw           # a Run value in the 32-bit registry view
VALUE_RUN_WOW64='Msn Patch'
NAME_RUN_ONCE=serbw            # a machine-wide RunOnce value
VALUE_RUN_ONCE=Updater
NAME_SHELL=lspt                # appended to the Winlogon Shell value after explorer.exe
HOSTS_BLOCKED='avp.ch www.avp.com'  # hosts lines 127.0.0.1 <name>

# Not listed: known only by its digest (given to the cleaner through --extra-detections).
NAME_DIGEST=holiday

E2E_LISTED_NAMES="$NAME_FILES $NAME_GROUP_B $NAME_RUN_HKLM $NAME_RUN_HKCU $NAME_RUN_SERVICES $NAME_SERVICE"
E2E_LISTED_NAMES="$E2E_LISTED_NAMES $NAME_RUN_WOW64 $NAME_RUN_ONCE $NAME_SHELL"
